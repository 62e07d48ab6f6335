// Call translation: an 0xE8 byte followed by an absolute 32-bit target was turned into a
// relative one on the way in; this turns it back, one frame at a time.
//
// The frame is scanned in the window, which translation never writes, and translated into
// the output copy: no load waits on a store the scan has just made. A chunk's 0xE8 bytes come
// as a bit mask, handled in order; each one translated hides the four bytes after it.
#include <bit>
#include <cstring>

#include "lzx_state.h"

#if LZX_WIDE_LOOP
#include <immintrin.h>
#endif

namespace lzx {

namespace {

// Branch-free: in real programs an 0xE8 is a call or a data byte about as often, which no
// branch predictor learns. A negative value is at least -at when its sum with at carries out
// of 32 bits.
inline void translate_call(const uint8_t* source, uint8_t* out, uint32_t at,
                           uint32_t translation_size) {
  const uint32_t value = uint32_t(source[1]) | uint32_t(source[2]) << 8 |
                         uint32_t(source[3]) << 16 | uint32_t(source[4]) << 24;
  const uint32_t below = value < translation_size;
  const uint32_t negative = uint32_t((uint64_t(value) + at) >> 32) & (value >> 31) & (below ^ 1);
  const uint32_t result = value - (at & (0u - below)) + (translation_size & (0u - negative));
  out[1] = uint8_t(result);
  out[2] = uint8_t(result >> 8);
  out[3] = uint8_t(result >> 16);
  out[4] = uint8_t(result >> 24);
}

// Eight bytes at a time in plain integers: bit i of the mask is set where byte i is 0xE8.
struct PortableScanner {
  static constexpr uint32_t WIDTH = 8;
  static uint64_t mask(const uint8_t* p) {
    uint64_t word = 0;
    for (uint32_t i = 0; i < 8; ++i) word |= uint64_t(p[i]) << (8 * i);
    constexpr uint64_t LOW7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t x = word ^ 0xE8E8E8E8E8E8E8E8ull;
    const uint64_t zero = ~(((x & LOW7) + LOW7) | x | LOW7);  // 0x80 in each zero byte of x
    return (zero >> 7) * 0x0102040810204080ull >> 56;          // gathered into 8 bits
  }
};

#if LZX_WIDE_LOOP
struct WideScanner {
  static constexpr uint32_t WIDTH = 32;
  [[gnu::target("avx2")]] static uint64_t mask(const uint8_t* p) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i calls = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(char(0xE8)));
    return uint32_t(_mm256_movemask_epi8(calls));
  }
};
#endif

// An 0xE8 counts below offset length - 10 (its four bytes then lie before the frame's last
// six), and not within the four bytes after one that counted.
template <class Scanner>
inline void translate_frame(const uint8_t* source, uint8_t* out, uint32_t length,
                            uint32_t position, uint32_t translation_size) {
  const uint32_t limit = length - 10;
  uint32_t next = 0;  // the first offset a call may stand at
  uint32_t base = 0;
  for (; base + Scanner::WIDTH <= limit; base += Scanner::WIDTH) {
    uint64_t calls = Scanner::mask(source + base);
    calls &= ~uint64_t(0) << (next > base ? next - base : 0);
    while (calls != 0) {
      const uint32_t bit = uint32_t(std::countr_zero(calls));
      const uint32_t at = base + bit;
      translate_call(source + at, out + at, position + at, translation_size);
      calls &= ~(uint64_t(0x1F) << bit);
      next = at + 5;
    }
  }
  for (uint32_t at = base > next ? base : next; at < limit; ++at) {
    if (source[at] != 0xE8) continue;
    translate_call(source + at, out + at, position + at, translation_size);
    at += 4;
  }
}

#if LZX_WIDE_LOOP
[[gnu::target("avx2"), gnu::flatten]]
void translate_frame_wide(const uint8_t* source, uint8_t* out, uint32_t length,
                          uint32_t position, uint32_t translation_size) {
  translate_frame<WideScanner>(source, out, length, position, translation_size);
}
#endif

}  // namespace

bool processor_has_wide_loop() {
#if LZX_WIDE_LOOP
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

void e8_decode_frame(const uint8_t* source, uint8_t* out, uint32_t length, uint32_t position,
                     uint32_t translation_size, bool wide) {
  if (length <= 10) return;
#if LZX_WIDE_LOOP
  if (wide) {
    translate_frame_wide(source, out, length, position, translation_size);
    return;
  }
#endif
  (void)wide;
  translate_frame<PortableScanner>(source, out, length, position, translation_size);
}

}  // namespace lzx
