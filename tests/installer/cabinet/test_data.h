// Deterministic test contents: random, zeros, text-like and binary-like bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

inline std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint64_t x = 0x9E3779B97F4A7C15ull ^ seed;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = uint8_t(x >> 24);
  }
  return out;
}

inline std::vector<uint8_t> text_like(size_t n, uint32_t seed) {
  static const char* words[] = {"the ", "invader ", "marches ", "cannon ", "fires ", "at ",
                                "a ",   "formation ", "of ", "bases, ", "bombs ", "fall.\n",
                                "mothership ", "score ", "round ", "level "};
  std::vector<uint8_t> out;
  out.reserve(n);
  uint32_t x = seed * 2654435761u + 1;
  while (out.size() < n) {
    x = x * 1103515245u + 12345u;
    const char* w = words[(x >> 16) % 16];
    for (const char* p = w; *p && out.size() < n; ++p) out.push_back(uint8_t(*p));
  }
  return out;
}

// Structured binary: little-endian records with small counters, pointers and padding.
inline std::vector<uint8_t> binary_like(size_t n, uint32_t seed) {
  std::vector<uint8_t> out;
  out.reserve(n);
  uint32_t x = seed + 7;
  uint32_t counter = 0;
  while (out.size() < n) {
    x = x * 1664525u + 1013904223u;
    uint32_t fields[4] = {counter++, 0x00400000u + (x >> 20) * 16, x >> 28, 0xE8u | (x & 0xFF00u)};
    for (uint32_t f : fields)
      for (int b = 0; b < 4 && out.size() < n; ++b) out.push_back(uint8_t(f >> (8 * b)));
  }
  return out;
}

// A few byte values most of the time and every other value rarely, so that one Huffman code
// spans short codes and the longest the format allows.
inline std::vector<uint8_t> skewed_bytes(size_t n, uint32_t seed) {
  const std::vector<uint8_t> noise = random_bytes(3 * n, seed);
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t r = noise[3 * i] | uint32_t(noise[3 * i + 1]) << 8 | uint32_t(noise[3 * i + 2]) << 16;
    uint32_t run = 0;  // a geometric pick among the common values
    while (run < 8 && (r >> run & 1)) ++run;
    out[i] = (r >> 8) % 64 == 0 ? uint8_t(r >> 16) : uint8_t('a' + run);
  }
  return out;
}

}  // namespace testdata
