// Quantum's arithmetic decoder: the bit reader, the coder's 16-bit state and the decoding of one
// symbol against an adaptive model. Only the decoder includes this; its token loop inlines
// all of it, once per way of searching a model (see QuantumDivisionSearch and
// QuantumProductSearch below).
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "quantum_model.h"

// The wide loop exists where the processor family may have 256-bit integer vectors.
#if defined(__x86_64__) || defined(__i386__)
#define QUANTUM_WIDE_LOOP 1
#include <cpuid.h>
#include <immintrin.h>
#else
#define QUANTUM_WIDE_LOOP 0
#endif

namespace quantum_coder {

#define QUANTUM_HOT [[gnu::always_inline]] inline

// What the wide loop is compiled for: 256-bit integer vectors, a leading-zero count in one
// step, shifts by a register without flags.
#define QUANTUM_WIDE_TARGET "avx2,bmi,bmi2,lzcnt,popcnt"

struct BitReader {
  const uint8_t* in;
  uint32_t size;
  uint32_t next;    // next byte to load; passes size by the zero bytes invented past the end
  uint64_t buffer;  // unread bits, most significant first
  uint32_t count;   // unread bits in buffer

  // Tops the buffer up to at least 56 bits.
  QUANTUM_HOT void refill() {
    if (next + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, in + next, 8);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      // Bits below the counted ones are the true next bits, so ORing them in again later is
      // harmless.
      buffer |= word >> count;
      next += (63 - count) >> 3;
      count |= 56;
      return;
    }
    while (count <= 56) {
      uint64_t byte = next < size ? in[next] : 0;
      ++next;
      buffer |= byte << (56 - count);
      count += 8;
    }
  }

  // 1 to 32 bits; the caller has refilled.
  QUANTUM_HOT uint32_t take(uint32_t n) {
    uint32_t value = uint32_t(buffer >> (64 - n));
    buffer <<= n;
    count -= n;
    return value;
  }

  // 0 to 32 bits; the caller has refilled.
  QUANTUM_HOT uint32_t take_upto(uint32_t n) {
    uint32_t value = uint32_t((buffer >> 1) >> (63 - n));
    buffer <<= n;
    count -= n;
    return value;
  }

  bool exhausted() const { return uint64_t(next) * 8 - count > uint64_t(size) * 8; }
};

struct Coder {
  uint32_t low, high, code;  // 16-bit values
};

// Shifts out the bits low and high have settled, in one step. Branch-free: the shift varies
// with the data and would be mispredicted half the time.
//
// Bit by bit the rule is: while the top bits of low and high agree, shift all three left (high
// taking a 1, code the next input bit); then while low's top two bits are 01 and high's 10
// (they straddle the middle within a quarter), drop the second bit of each and flip code's. The
// first loop runs n times, n being the leading bits low and high share. The second runs k
// times, k being the run of bits, from just below the first they differ in, where low has a 1
// and high a 0. Each of its steps flips a bit that the next shifts out, so only the last flip
// survives, in bit 15.
QUANTUM_HOT void renormalise(Coder& c, BitReader& r) {
  // low < high, so they never agree on every bit.
  assert(c.low < c.high && c.high <= 0xFFFF);
  uint32_t n = uint32_t(std::countl_zero(uint16_t(c.low ^ c.high)));
  // Where they agree low & ~high is 0, and at the first bit they differ too (low has the 0),
  // so the run starts n + 1 bits down: bit 31 after the shifts.
  uint32_t straddle = ((c.low & ~c.high) << 17) << n;
  uint32_t k = uint32_t(std::countl_one(straddle));
  uint32_t shift = n + k;  // at most 15: the run lies below the first differing bit
  assert(shift <= 15);
  uint32_t flip = uint32_t(k != 0) << 15;
  c.low = (c.low << shift) & 0x7FFF;
  c.high = ((c.high << shift) | ((1u << shift) - 1) | 0x8000) & 0xFFFF;
  c.code = (((c.code << shift) | r.take_upto(shift)) ^ flip) & 0xFFFF;
}

// A search finds the model entry whose scaled range holds the code: the entry i with
// scale(cum[i+1]) <= code - low < scale(cum[i]), scale(f) = f * range / total rounded down.
// Both ways give the same entry for every state, a corrupt stream's included (where code - low
// is taken modulo 2^16); they differ only in the instructions they need.

// The target frequency by one division, then a search of the frequencies: runs everywhere.
struct QuantumDivisionSearch {
  template <uint32_t Span>
  QUANTUM_HOT static uint32_t find(const QuantumModel& model, uint32_t offset, uint32_t range) {
    uint32_t total = model.cum[0];
    uint32_t target = ((offset + 1) * total - 1) / range;
    return quantum_model_find<Span>(&model, target);
  }
};

// Without the division: cum[j] lies above the target exactly when cum[j] * range >=
// (offset + 1) * total, and both products stay below 2^28 (cum at most 3800, range at most
// 2^16). One multiply per entry, which pays only where eight 32-bit lanes multiply at once:
// the decoder runs this search only in its loop compiled for such processors (see
// QUANTUM_WIDE_TARGET), which inlines it; compiled alone, it is compiled for them too.
#if QUANTUM_WIDE_LOOP
struct QuantumProductSearch {
  template <uint32_t Span>
  [[gnu::target(QUANTUM_WIDE_TARGET)]] static uint32_t find(const QuantumModel& model,
                                                           uint32_t offset, uint32_t range) {
    static_assert(Span % QUANTUM_GROUP == 0 && Span <= QUANTUM_MAX_SYMBOLS);
    static_assert(QUANTUM_GROUP == 8, "a group is one vector of eight 32-bit lanes");
    assert(model.symbols <= Span && range <= 0x10000 && offset <= 0xFFFF);
    constexpr uint32_t groups = Span / QUANTUM_GROUP;
    const uint16_t* next = model.cum + 1;
    const __m256i ranges = _mm256_set1_epi32(int32_t(range));
    const __m256i below = _mm256_set1_epi32(int32_t((offset + 1) * model.cum[0] - 1));
    // Lanes above the target are all ones; the frequencies fall, so they come first. Packed
    // down to one byte per entry, their count is the entry's index. Groups past the model's
    // span are zeros, so that the packing takes whole fours.
    __m256i above[(groups + 3) / 4 * 4];
    for (uint32_t g = 0; g < groups; ++g) {
      __m128i frequencies = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + 8 * g));
      __m256i products = _mm256_mullo_epi32(_mm256_cvtepu16_epi32(frequencies), ranges);
      above[g] = _mm256_cmpgt_epi32(products, below);
    }
    uint32_t index;
    if constexpr (groups == 1) {
      index = uint32_t(__builtin_popcount(_mm256_movemask_ps(_mm256_castsi256_ps(above[0]))));
    } else {
      for (uint32_t g = groups; g < (groups + 3) / 4 * 4; ++g) above[g] = _mm256_setzero_si256();
      index = 0;
      for (uint32_t g = 0; g < groups; g += 4) {
        __m256i bytes = _mm256_packs_epi16(_mm256_packs_epi32(above[g], above[g + 1]),
                                           _mm256_packs_epi32(above[g + 2], above[g + 3]));
        index += uint32_t(__builtin_popcount(uint32_t(_mm256_movemask_epi8(bytes))));
      }
    }
    assert(index == QuantumDivisionSearch::find<Span>(model, offset, range));
    return index;
  }
};
#endif

// Decodes one symbol with `model` and counts it. `Span` bounds the model's entries (see
// quantum_model_find).
template <class Search, uint32_t Span = QUANTUM_MAX_SYMBOLS>
QUANTUM_HOT uint32_t decode_symbol(QuantumModel& model, Coder& c, BitReader& r) {
  const uint16_t* cum = model.cum;
  uint32_t total = cum[0];
  uint32_t range = c.high - c.low + 1;
  // A corrupt stream may leave code outside [low, high]; the 16-bit difference keeps the
  // offset in range, and the search settles on some entry whatever it is.
  uint32_t i = Search::template find<Span>(model, (c.code - c.low) & 0xFFFF, range);
  const QuantumScaler scale(range, total);  // ready while the search runs
  assert(scale(cum[i]) == cum[i] * range / total);
  uint32_t low = c.low;
  c.high = (low + scale(cum[i]) - 1) & 0xFFFF;
  c.low = (low + scale(cum[i + 1])) & 0xFFFF;
  r.refill();
  renormalise(c, r);
  uint32_t symbol = model.symbol[i];
  quantum_model_update<Span>(&model, i);
  return symbol;
}

QUANTUM_HOT uint32_t raw_bits(BitReader& r, uint32_t n) {
  if (n == 0) return 0;
  r.refill();
  return r.take(n);
}

#undef QUANTUM_HOT

}  // namespace quantum_coder
