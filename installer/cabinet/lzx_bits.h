// LZX bit reader: 16-bit little-endian words, each read most significant bit first.
//
// The reader works on a copy of the frame's input with the two bytes of every word swapped
// (swap_words), so that the stream reads as plain big-endian bytes, followed by eight zero
// bytes. The next bit sits at bit 63 of a 64-bit buffer. A refill loads eight bytes at once and
// counts the whole bytes that fit, leaving at least 56 bits; the bits below the counted ones
// already hold the next byte's leading bits, which the next load ORs in again unchanged. Bytes
// past the data read as zero: past the copy's end nothing is loaded at all, so the reader
// never touches memory beyond the copy and its padding.
#pragma once

#include <cstdint>
#include <cstring>

namespace lzx {

// Room past the data in a swapped copy: a whole load from any offset up to the data's size.
constexpr uint32_t SWAP_PADDING = 8;

// Copies `size` bytes of LZX input to `out` (room for size + SWAP_PADDING bytes) with each
// word's bytes swapped, an odd last byte taken as a word whose high byte is zero, and zeros
// after it.
inline void swap_words(uint8_t* out, const uint8_t* in, uint32_t size) {
  uint32_t i = 0;
  for (; i + 1 < size; i += 2) {
    uint16_t word;
    std::memcpy(&word, in + i, 2);
    word = uint16_t(word << 8 | word >> 8);
    std::memcpy(out + i, &word, 2);
  }
  if (i < size) {
    out[i] = 0;
    out[i + 1] = in[i];
    i += 2;
  }
  std::memset(out + i, 0, size + SWAP_PADDING - i);
}

// Compilers turn this into one load and a byte swap where the machine has them.
inline uint64_t load_big_endian64(const uint8_t* p) {
  return uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 | uint64_t(p[2]) << 40 | uint64_t(p[3]) << 32 |
         uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 | uint64_t(p[6]) << 8 | uint64_t(p[7]);
}

struct BitReader {
  const uint8_t* input;  // a swapped copy (swap_words)
  uint32_t size;         // bytes of data
  uint32_t start;        // offset where the reader (re)started
  uint32_t position;     // offset of the next byte to load; may pass size
  uint64_t buffer;
  int32_t count;  // valid bits at the top of buffer

  void restart(const uint8_t* swapped, uint32_t data_size, uint32_t at) {
    input = swapped;
    size = data_size;
    start = at;
    position = at;
    buffer = 0;
    count = 0;
  }

  // Afterwards at least 56 bits are valid. Adding the whole bytes that fit to a count of 0 to
  // 63 leaves 56 plus its low three bits: the same as setting 56's bits.
  inline void refill() {
    if (position <= size) [[likely]] buffer |= load_big_endian64(input + position) >> count;
    position += uint32_t(63 - count) >> 3;
    count |= 56;
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
