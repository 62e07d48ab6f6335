// Quantum's fixed tables: extra raw bits per length and position slot, and the bases derived
// from them. Shared with the encoder so both sides count slots the same way.
#pragma once

#include <cstdint>

constexpr uint32_t QUANTUM_LENGTH_SLOTS = 27;
constexpr uint32_t QUANTUM_POSITION_SLOTS = 42;
constexpr uint32_t QUANTUM_MIN_WINDOW_BITS = 10;
constexpr uint32_t QUANTUM_MAX_WINDOW_BITS = 21;

// Selector 4 reaches positions below this, selector 5 below the medium limit; both are further
// bounded by the window.
constexpr uint32_t QUANTUM_SHORT_LIMIT = 4096;
constexpr uint32_t QUANTUM_MEDIUM_LIMIT = 262144;

// A coded length (selector 6) is its slot's base + extra bits + this.
constexpr uint32_t QUANTUM_CODED_LENGTH_MIN = 5;

// The longest match: length slot 26, which has no extra bits, on its base of 254.
constexpr uint32_t QUANTUM_MAX_MATCH = 259;

extern const uint8_t QUANTUM_LENGTH_EXTRA[QUANTUM_LENGTH_SLOTS];
extern const uint8_t QUANTUM_POSITION_EXTRA[QUANTUM_POSITION_SLOTS];

struct QuantumBases {
  uint32_t length[QUANTUM_LENGTH_SLOTS];
  uint32_t position[QUANTUM_POSITION_SLOTS];
};

// Each base is the previous one plus 2^extra of the previous slot; the first is 0.
void quantum_build_bases(QuantumBases* bases);

// Number of position slots whose base lies below `limit`.
uint32_t quantum_slots_below(const QuantumBases& bases, uint32_t limit);
