// Quantum's adaptive frequency models. The decoder and the encoder share this code, so both
// adapt and rescale in lockstep.
//
// A model holds symbols+1 entries in decreasing cumulative frequency; the last entry's is 0.
// Entry i covers the frequencies [cum[i+1], cum[i]).
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>

#include "quantum_tables.h"

constexpr uint32_t QUANTUM_MAX_SYMBOLS = 64;
constexpr uint16_t QUANTUM_INCREMENT = 8;
constexpr uint16_t QUANTUM_RESCALE_ABOVE = 3800;
constexpr uint16_t QUANTUM_FIRST_REORDER = 4;      // the 4th rescale reorders...
constexpr uint16_t QUANTUM_REORDER_INTERVAL = 50;  // ...and every 50th after it

// Models are searched and updated in groups of this many entries: a group is one vector
// operation where the compiler has them and a short unrolled loop where it has not. Entries
// past a model's last hold 0, so whole groups can be read.
constexpr uint32_t QUANTUM_GROUP = 8;
constexpr uint32_t QUANTUM_CUM_SPACE = QUANTUM_MAX_SYMBOLS + QUANTUM_GROUP;

constexpr uint32_t QUANTUM_SELECTORS = 7;
constexpr uint32_t QUANTUM_LITERAL_SYMBOLS = 64;

struct QuantumModel {
  uint16_t symbols;
  uint16_t countdown;  // rescales left until the next reordering
  uint16_t cum[QUANTUM_CUM_SPACE];  // 0 past the last entry
  uint16_t symbol[QUANTUM_MAX_SYMBOLS + 1];
};

struct QuantumModels {
  QuantumModel selector;
  QuantumModel literal[4];
  QuantumModel short_position;   // selector 4
  QuantumModel medium_position;  // selector 5
  QuantumModel long_position;    // selector 6
  QuantumModel length;           // selector 6
};

// Symbol i at entry i with cumulative frequency symbols - i.
void quantum_model_init(QuantumModel* model, uint32_t symbols);

// Every model in its initial state; the position models sized by the window.
void quantum_models_init(QuantumModels* models, const QuantumBases& bases, uint32_t window_bits);

void quantum_model_rescale(QuantumModel* model);

// Division by a model's total, which a rescale keeps at or below QUANTUM_RESCALE_ABOVE: a
// multiply by its reciprocal and a shift. With shift = 28 + ceil(log2 total) and the multiplier
// rounded up, the quotient is exact for every dividend below 2^28, and a frequency times a
// 16-bit range (at most 3800 * 65536) stays below that.
struct QuantumReciprocal {
  uint32_t multiplier;
  uint32_t shift;
};

constexpr uint32_t QUANTUM_DIVIDEND_BITS = 28;

struct QuantumReciprocals {
  QuantumReciprocal of[QUANTUM_RESCALE_ABOVE + 1];
};

constexpr QuantumReciprocals make_quantum_reciprocals() {
  QuantumReciprocals t{};
  for (uint32_t d = 1; d <= QUANTUM_RESCALE_ABOVE; ++d) {
    uint32_t log = 0;
    while ((1u << log) < d) ++log;
    uint32_t shift = QUANTUM_DIVIDEND_BITS + log;
    uint64_t multiplier = ((uint64_t(1) << shift) + d - 1) / d;
    t.of[d] = {uint32_t(multiplier), shift};
  }
  return t;
}

inline constexpr QuantumReciprocals QUANTUM_RECIPROCALS = make_quantum_reciprocals();

// Scales a model's frequencies to one range: frequency * range / total, rounded down, as both
// coder sides do. The range and the reciprocal of the total fold into one factor, known before
// the frequency is: a frequency (below 2^12) times it (below 2^46) stays below 2^58.
struct QuantumScaler {
  uint64_t factor;
  uint32_t shift;

  QuantumScaler(uint32_t range, uint32_t total) {
    assert(total >= 1 && total <= QUANTUM_RESCALE_ABOVE && range <= 0x10000);
    const QuantumReciprocal& r = QUANTUM_RECIPROCALS.of[total];
    factor = uint64_t(range) * r.multiplier;
    shift = r.shift;
  }

  uint32_t operator()(uint32_t frequency) const {
    assert(frequency <= QUANTUM_RESCALE_ABOVE + QUANTUM_INCREMENT);
    return uint32_t((frequency * factor) >> shift);
  }
};

// One frequency scaled, for a caller that needs no more.
inline uint32_t quantum_scale(uint32_t frequency, uint32_t range, uint32_t total) {
  assert(frequency <= total);
  uint32_t quotient = QuantumScaler(range, total)(frequency);
  assert(quotient == frequency * range / total);
  return quotient;
}

// A group of entries as one value: the compiler maps it onto a vector register where the
// target has them and onto plain integer operations where it has not.
using QuantumLanes = uint16_t __attribute__((vector_size(2 * QUANTUM_GROUP)));

inline QuantumLanes quantum_load_lanes(const uint16_t* p) {
  QuantumLanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The sum of the lanes, each at most QUANTUM_MAX_SYMBOLS / QUANTUM_GROUP: one multiply adds up
// the four 16-bit lanes of a 64-bit word into its top lane.
inline uint32_t quantum_lane_sum(QuantumLanes v) {
  uint64_t words[QUANTUM_GROUP / 4];
  std::memcpy(words, &v, sizeof words);
  uint32_t sum = 0;
  for (uint64_t w : words) sum += uint32_t((w * 0x0001000100010001ull) >> 48);
  return sum;
}

// The entry whose range holds `target`: the first whose successor's cumulative frequency is
// not above it. The frequencies strictly decrease to the last entry's 0, so that entry's index
// is the count of successors above the target; a target at or past the total (a corrupt
// stream) gives entry 0. `Span` entries are looked at, a fixed count so that the loop never
// mispredicts; a caller that knows its model has fewer symbols may pass fewer.
template <uint32_t Span = QUANTUM_MAX_SYMBOLS>
inline uint32_t quantum_model_find(const QuantumModel* model, uint32_t target) {
  static_assert(Span % QUANTUM_GROUP == 0 && Span <= QUANTUM_MAX_SYMBOLS);
  assert(model->symbols <= Span);
  const uint16_t* next = model->cum + 1;
  const uint16_t t = uint16_t(target > 0xFFFF ? 0xFFFF : target);
  QuantumLanes above = {};
  for (uint32_t g = 0; g < Span; g += QUANTUM_GROUP)
    above -= (QuantumLanes)(quantum_load_lanes(next + g) > t);  // a true lane is all ones
  uint32_t index = quantum_lane_sum(above);
  assert(next[index] <= t && (index == 0 || next[index - 1] > t));
  return index;
}

// Counts a use of the symbol at `index`: every cumulative frequency up to it grows.
template <uint32_t Span = QUANTUM_MAX_SYMBOLS>
inline void quantum_model_update(QuantumModel* model, uint32_t index) {
  static_assert(Span % QUANTUM_GROUP == 0 && Span <= QUANTUM_MAX_SYMBOLS);
  assert(model->symbols <= Span && index < model->symbols);
  uint16_t* cum = model->cum;
  static_assert(QUANTUM_GROUP == 8);
  QuantumLanes lane = {0, 1, 2, 3, 4, 5, 6, 7};
  const QuantumLanes last = (QuantumLanes){} + uint16_t(index);
  for (uint32_t g = 0; g < Span; g += QUANTUM_GROUP) {
    QuantumLanes v = quantum_load_lanes(cum + g);
    v += (QuantumLanes)(lane <= last) & QUANTUM_INCREMENT;
    std::memcpy(cum + g, &v, sizeof v);
    lane += QUANTUM_GROUP;
  }
  if (model->cum[0] > QUANTUM_RESCALE_ABOVE) quantum_model_rescale(model);
}
