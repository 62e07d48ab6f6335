#include "cab_checksum.h"

uint32_t cab_checksum(const uint8_t* data, uint32_t size, uint32_t seed) {
  uint32_t sum = seed;
  uint32_t words = size / 4;
  for (uint32_t i = 0; i < words; ++i, data += 4) {
    sum ^= uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
           uint32_t(data[3]) << 24;
  }
  uint32_t tail = 0;
  switch (size & 3) {
    case 3: tail = uint32_t(data[0]) << 16 | uint32_t(data[1]) << 8 | data[2]; break;
    case 2: tail = uint32_t(data[0]) << 8 | data[1]; break;
    case 1: tail = data[0]; break;
    default: break;
  }
  return sum ^ tail;
}
