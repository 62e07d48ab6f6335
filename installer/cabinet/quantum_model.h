// Quantum's adaptive frequency models. The decoder and the encoder share this code, so both
// adapt and rescale in lockstep.
//
// A model holds symbols+1 entries in decreasing cumulative frequency; the last entry's is 0.
// Entry i covers the frequencies [cum[i+1], cum[i]).
#pragma once

#include <cstdint>

#include "quantum_tables.h"

constexpr uint32_t QUANTUM_MAX_SYMBOLS = 64;
constexpr uint16_t QUANTUM_INCREMENT = 8;
constexpr uint16_t QUANTUM_RESCALE_ABOVE = 3800;
constexpr uint16_t QUANTUM_FIRST_REORDER = 4;      // the 4th rescale reorders...
constexpr uint16_t QUANTUM_REORDER_INTERVAL = 50;  // ...and every 50th after it

constexpr uint32_t QUANTUM_SELECTORS = 7;
constexpr uint32_t QUANTUM_LITERAL_SYMBOLS = 64;

struct QuantumModel {
  uint16_t symbols;
  uint16_t countdown;  // rescales left until the next reordering
  uint16_t cum[QUANTUM_MAX_SYMBOLS + 1];
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

// The entry whose range holds `target`: the first whose successor's cumulative frequency is
// not above it. A target at or past the total (a corrupt stream) gives entry 0; the last
// entry's 0 ends the scan.
inline uint32_t quantum_model_find(const QuantumModel* model, uint32_t target) {
  uint32_t i = 0;
  while (target < model->cum[i + 1]) ++i;
  return i;
}

// Counts a use of the symbol at `index`.
inline void quantum_model_update(QuantumModel* model, uint32_t index) {
  for (uint32_t j = 0; j <= index; ++j) model->cum[j] = uint16_t(model->cum[j] + QUANTUM_INCREMENT);
  if (model->cum[0] > QUANTUM_RESCALE_ABOVE) quantum_model_rescale(model);
}
