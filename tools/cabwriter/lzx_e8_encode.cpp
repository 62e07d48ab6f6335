// Forward call translation: inside each frame, the 32-bit operand after an 0xE8 byte becomes
// the value the reader's translation turns back into it.
#include <cstdint>

#include "lzx_encoder.h"

namespace cabwriter {

namespace {

// The reader's mapping of a stored operand at position `at`.
uint32_t decoded(uint32_t value, uint32_t at, uint32_t size) {
  int32_t s = int32_t(value);
  if (value < size) return value - at;
  if (s < 0 && int64_t(s) >= -int64_t(at)) return value + size;
  return value;
}

// The stored operand that the reader maps back to `original`.
uint32_t encoded(uint32_t original, uint32_t at, uint32_t size) {
  const uint32_t candidates[3] = {original + at, original - size, original};
  for (uint32_t c : candidates)
    if (decoded(c, at, size) == original) return c;
  return original;  // only for sizes of 2^31 and more, which the writer does not use
}

}  // namespace

void lzx_e8_encode_frame(uint8_t* data, uint32_t length, uint32_t position,
                         uint32_t translation_size) {
  if (length < 7 || position + length < 10) return;
  // Only bytes before the last 10 are candidates, as in the reader's scan.
  const uint32_t stop = position + length - 10;
  for (uint32_t i = 0; position + i < stop;) {
    if (data[i] != 0xE8) {
      ++i;
      continue;
    }
    uint32_t at = position + i;
    uint32_t value = uint32_t(data[i + 1]) | uint32_t(data[i + 2]) << 8 |
                     uint32_t(data[i + 3]) << 16 | uint32_t(data[i + 4]) << 24;
    value = encoded(value, at, translation_size);
    data[i + 1] = uint8_t(value);
    data[i + 2] = uint8_t(value >> 8);
    data[i + 3] = uint8_t(value >> 16);
    data[i + 4] = uint8_t(value >> 24);
    i += 5;
  }
}

}  // namespace cabwriter
