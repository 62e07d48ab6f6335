// Call translation: an 0xE8 byte followed by an absolute 32-bit target was turned into a
// relative one on the way in; this turns it back, one frame at a time.
#include <bit>
#include <cstring>

#include "lzx_state.h"

namespace lzx {

namespace {

// The first 0xE8 byte at or after p; the sentinels guarantee one. Eight bytes at a time while
// a whole load fits before words_end (on little-endian machines), then byte by byte.
uint8_t* next_e8(uint8_t* p, const uint8_t* words_end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t ONES = 0x0101010101010101ull, HIGHS = 0x8080808080808080ull;
    while (p <= words_end) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      uint64_t x = word ^ (0xE8 * ONES);
      // The lowest flagged byte is the first zero byte of x: an 0xE8 of the data.
      uint64_t zero = (x - ONES) & ~x & HIGHS;
      if (zero != 0) return p + std::countr_zero(zero) / 8;
      p += 8;
    }
  }
  while (*p != 0xE8) ++p;
  return p;
}

}  // namespace

void e8_decode_frame(uint8_t* data, uint32_t length, uint32_t position, uint32_t translation_size) {
  if (length < 7 || position + length < 10) return;
  uint8_t saved[6];
  uint8_t* tail = data + length - 6;
  std::memcpy(saved, tail, 6);
  std::memset(tail, 0xE8, 6);  // sentinels: the scan needs no bounds check

  const uint32_t stop = position + length - 10;
  uint8_t* p = data;
  uint8_t* const words_end = data + length - 8;  // whole 8-byte loads stay inside the data
  for (;;) {
    p = next_e8(p, words_end);
    uint32_t at = position + uint32_t(p - data);
    if (at >= stop) break;
    uint32_t value = uint32_t(p[1]) | uint32_t(p[2]) << 8 | uint32_t(p[3]) << 16 |
                     uint32_t(p[4]) << 24;
    int32_t signed_value = int32_t(value);
    if (value < translation_size) {
      value -= at;
    } else if (signed_value < 0 && int64_t(signed_value) >= -int64_t(at)) {
      value += translation_size;
    } else {
      p += 5;
      continue;
    }
    p[1] = uint8_t(value);
    p[2] = uint8_t(value >> 8);
    p[3] = uint8_t(value >> 16);
    p[4] = uint8_t(value >> 24);
    p += 5;
  }
  std::memcpy(tail, saved, 6);
}

}  // namespace lzx
