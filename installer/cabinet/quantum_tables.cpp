#include "quantum_tables.h"

const uint8_t QUANTUM_LENGTH_EXTRA[QUANTUM_LENGTH_SLOTS] = {
    0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

const uint8_t QUANTUM_POSITION_EXTRA[QUANTUM_POSITION_SLOTS] = {
    0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,
    9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19};

void quantum_build_bases(QuantumBases* bases) {
  uint32_t base = 0;
  for (uint32_t i = 0; i < QUANTUM_LENGTH_SLOTS; ++i) {
    bases->length[i] = base;
    base += 1u << QUANTUM_LENGTH_EXTRA[i];
  }
  base = 0;
  for (uint32_t i = 0; i < QUANTUM_POSITION_SLOTS; ++i) {
    bases->position[i] = base;
    base += 1u << QUANTUM_POSITION_EXTRA[i];
  }
}

uint32_t quantum_slots_below(const QuantumBases& bases, uint32_t limit) {
  uint32_t count = 0;
  while (count < QUANTUM_POSITION_SLOTS && bases.position[count] < limit) ++count;
  return count;
}
