// Writes LZX bits: 16-bit little-endian words, most significant bit first.
#pragma once

#include <cstdint>
#include <vector>

namespace cabwriter {

class LzxBitWriter {
 public:
  explicit LzxBitWriter(std::vector<uint8_t>* out) : out_(out) {}

  // value holds `bits` bits (at most 32).
  void put(uint32_t value, uint32_t bits) {
    if (bits == 0) return;
    acc_ = (acc_ << bits) | (uint64_t(value) & ((uint64_t(1) << bits) - 1));
    pending_ += bits;
    while (pending_ >= 16) {
      pending_ -= 16;
      uint32_t word = uint32_t(acc_ >> pending_) & 0xFFFF;
      out_->push_back(uint8_t(word));
      out_->push_back(uint8_t(word >> 8));
    }
    acc_ &= (uint64_t(1) << pending_) - 1;
  }

  // Pads the current word with zeros.
  void flush() {
    if (pending_ != 0) put(0, 16 - pending_);
  }

  // Padding before an uncompressed block's bytes: 1 to 16 bits, a whole word when aligned.
  void align_for_bytes() { put(0, pending_ == 0 ? 16 : 16 - pending_); }

  bool aligned() const { return pending_ == 0; }

 private:
  std::vector<uint8_t>* out_;
  uint64_t acc_ = 0;
  uint32_t pending_ = 0;
};

}  // namespace cabwriter
