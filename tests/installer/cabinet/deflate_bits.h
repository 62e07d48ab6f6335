// Hand-assembled deflate streams for decoder tests: bits go out LSB first, Huffman codes MSB
// first, as the format packs them.
#pragma once

#include <cstdint>
#include <vector>

namespace testcab {

class DeflateBits {
 public:
  DeflateBits() : bytes_{'C', 'K'} {}

  DeflateBits& bits(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) put_bit((value >> i) & 1);
    return *this;
  }
  DeflateBits& code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) put_bit((code >> i) & 1);
    return *this;
  }
  // A symbol of the fixed literal/length code.
  DeflateBits& fixed(uint32_t symbol) {
    if (symbol < 144) return code(0x30 + symbol, 8);
    if (symbol < 256) return code(0x190 + symbol - 144, 9);
    if (symbol < 280) return code(symbol - 256, 7);
    return code(0xC0 + symbol - 280, 8);
  }
  DeflateBits& fixed_distance(uint32_t symbol) { return code(symbol, 5); }
  DeflateBits& align() {
    while (bit_ != 0) put_bit(0);
    return *this;
  }
  DeflateBits& byte(uint8_t b) {
    align();
    bytes_.push_back(b);
    return *this;
  }
  std::vector<uint8_t> done() {
    align();
    return bytes_;
  }

 private:
  void put_bit(uint32_t b) {
    if (bit_ == 0) bytes_.push_back(0);
    bytes_.back() |= uint8_t(b << bit_);
    bit_ = (bit_ + 1) & 7;
  }
  std::vector<uint8_t> bytes_;
  int bit_ = 0;
};

}  // namespace testcab
