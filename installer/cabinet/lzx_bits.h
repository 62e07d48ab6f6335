// LZX bit reader: 16-bit little-endian words, each read most significant bit first.
//
// The next bit sits at bit 63 of a 64-bit buffer. A refill leaves at least 48 bits. While eight
// input bytes remain it loads four words at once; the bits below the counted ones then already
// hold the following word's leading bits, which the next load ORs in again unchanged. Near the
// end words are taken one at a time, and words past the data read as zero: the reader never
// touches memory beyond the input it was given.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace lzx {

struct BitReader {
  const uint8_t* input;
  uint32_t size;      // bytes of data
  uint32_t start;     // offset where the reader (re)started
  uint32_t position;  // offset of the next byte to load; may pass size
  uint64_t buffer;
  int32_t count;  // valid bits at the top of buffer

  void restart(const uint8_t* data, uint32_t data_size, uint32_t at) {
    input = data;
    size = data_size;
    start = at;
    position = at;
    buffer = 0;
    count = 0;
  }

  static uint64_t words_msb_first(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    // Little-endian load gives w0 | w1 << 16 | w2 << 32 | w3 << 48; put w0 on top.
    v = (v << 32) | (v >> 32);
    return ((v & 0xFFFF0000FFFF0000ull) >> 16) | ((v & 0x0000FFFF0000FFFFull) << 16);
  }

  uint32_t word_at(uint32_t at) const {
    uint32_t lo = at < size ? input[at] : 0;
    uint32_t hi = at + 1 < size ? input[at + 1] : 0;
    return lo | (hi << 8);
  }

  void refill_slow() {
    while (count <= 47) {
      buffer |= uint64_t(word_at(position)) << (48 - count);
      count += 16;
      position += 2;
    }
  }

  // Afterwards at least 48 bits are valid.
  inline void refill() {
    if (size >= 8 && position <= size - 8) [[likely]] {
      buffer |= words_msb_first(input + position) >> count;
      uint32_t words = uint32_t(63 - count) >> 4;
      count += int32_t(words * 16);
      position += words * 2;
    } else {
      refill_slow();
    }
  }

  uint32_t peek(uint32_t n) const { return uint32_t(buffer >> (64 - n)); }

  void consume(uint32_t n) {
    buffer <<= n;
    count -= int32_t(n);
  }

  // n from 1 to 17; needs n valid bits.
  uint32_t take(uint32_t n) {
    uint32_t v = peek(n);
    consume(n);
    return v;
  }

  uint32_t read(uint32_t n) {
    refill();
    return take(n);
  }

  uint32_t consumed() const { return (position - start) * 8 - uint32_t(count); }

  // The stream's own readers fetch one word ahead of the word being read and fail once a fetch
  // passes the data plus four bytes: that is, once the word holding the next bit starts beyond
  // the data.
  bool overrun() const { return uint64_t(start) + 2 * uint64_t(consumed() / 16) > size; }

  // Byte offset just after the word holding the next bit, where an uncompressed block's bytes
  // begin (a header ending on a word boundary is followed by one whole word of padding).
  uint32_t aligned_byte_position() const { return start + 2 * (consumed() / 16 + 1); }
};

}  // namespace lzx
