// Writes deflate bits: least significant bit first, into a buffer sized beforehand.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <vector>

namespace cabwriter {

class DeflateBitWriter {
 public:
  // Appends to `out`, which grows by `max_bytes` (plus 8 bytes of room for whole-word stores)
  // and is cut back to what was written by finish(). Writing more than max_bytes is a bug.
  DeflateBitWriter(std::vector<uint8_t>& out, size_t max_bytes) : out_(out), start_(out.size()) {
    out_.resize(start_ + max_bytes + 8);
    at_ = start_;
    limit_ = start_ + max_bytes;
  }

  // value holds `bits` bits (at most 32); bits above them must be zero.
  void put(uint32_t value, uint32_t bits) {
    assert(bits <= 32 && (bits == 32 || value >> bits == 0));
    acc_ |= uint64_t(value) << pending_;
    pending_ += bits;
    if (pending_ >= 32) {
      store_word();
      acc_ >>= 32;
      pending_ -= 32;
    }
  }

  // Pads with zero bits to a byte boundary.
  void align() { put(0, (8 - pending_ % 8) % 8); }

  // A byte-aligned run of raw bytes (align() first).
  void put_bytes(const uint8_t* bytes, size_t n) {
    assert(pending_ % 8 == 0);
    while (pending_ != 0) put_byte_bits();
    assert(at_ + n <= limit_);
    std::memcpy(out_.data() + at_, bytes, n);
    at_ += n;
  }

  // Writes the last partial byte and trims the buffer.
  void finish() {
    align();
    while (pending_ != 0) put_byte_bits();
    assert(at_ <= limit_);
    out_.resize(at_);
  }

 private:
  void store_word() {
    assert(at_ + 4 <= limit_ + 8);
    uint8_t* p = out_.data() + at_;  // byte by byte: compilers make it one store
    p[0] = uint8_t(acc_);
    p[1] = uint8_t(acc_ >> 8);
    p[2] = uint8_t(acc_ >> 16);
    p[3] = uint8_t(acc_ >> 24);
    at_ += 4;
  }
  void put_byte_bits() {
    out_[at_++] = uint8_t(acc_);
    acc_ >>= 8;
    pending_ -= 8;
  }

  std::vector<uint8_t>& out_;
  size_t start_;
  size_t at_;
  size_t limit_;
  uint64_t acc_ = 0;
  uint32_t pending_ = 0;
};

}  // namespace cabwriter
