#include "quantum_model.h"

#include <utility>

void quantum_model_init(QuantumModel* model, uint32_t symbols) {
  model->symbols = uint16_t(symbols);
  model->countdown = QUANTUM_FIRST_REORDER;
  for (uint32_t i = 0; i < QUANTUM_CUM_SPACE; ++i) model->cum[i] = 0;
  for (uint32_t i = 0; i <= symbols; ++i) {
    model->cum[i] = uint16_t(symbols - i);
    model->symbol[i] = uint16_t(i);
  }
}

void quantum_models_init(QuantumModels* models, const QuantumBases& bases, uint32_t window_bits) {
  uint32_t window_size = 1u << window_bits;
  uint32_t short_limit = window_size < QUANTUM_SHORT_LIMIT ? window_size : QUANTUM_SHORT_LIMIT;
  uint32_t medium_limit = window_size < QUANTUM_MEDIUM_LIMIT ? window_size : QUANTUM_MEDIUM_LIMIT;
  quantum_model_init(&models->selector, QUANTUM_SELECTORS);
  for (QuantumModel& literal : models->literal) quantum_model_init(&literal, QUANTUM_LITERAL_SYMBOLS);
  quantum_model_init(&models->short_position, quantum_slots_below(bases, short_limit));
  quantum_model_init(&models->medium_position, quantum_slots_below(bases, medium_limit));
  quantum_model_init(&models->long_position, quantum_slots_below(bases, window_size));
  quantum_model_init(&models->length, QUANTUM_LENGTH_SLOTS);
}

namespace {

// Frequencies into order, highest first. The exchange sort is part of the format: entries of
// equal frequency end up where its swaps leave them, and both coder sides must agree on that.
void reorder(QuantumModel* model) {
  uint16_t* cum = model->cum;
  uint16_t* symbol = model->symbol;
  uint32_t n = model->symbols;
  for (uint32_t j = 0; j < n; ++j) cum[j] = uint16_t((cum[j] - cum[j + 1] + 1) / 2);
  for (uint32_t i = 0; i + 1 < n; ++i) {
    for (uint32_t j = i + 1; j < n; ++j) {
      if (cum[j] > cum[i]) {
        std::swap(cum[i], cum[j]);
        std::swap(symbol[i], symbol[j]);
      }
    }
  }
  for (uint32_t j = n; j-- > 0;) cum[j] = uint16_t(cum[j] + cum[j + 1]);
}

// Halves every cumulative frequency, keeping each at least one above its successor so that
// no symbol loses its last count.
void halve(QuantumModel* model) {
  uint16_t* cum = model->cum;
  for (uint32_t j = model->symbols; j-- > 0;) {
    cum[j] = uint16_t(cum[j] >> 1);
    if (cum[j] <= cum[j + 1]) cum[j] = uint16_t(cum[j + 1] + 1);
  }
}

}  // namespace

void quantum_model_rescale(QuantumModel* model) {
  if (--model->countdown == 0) {
    model->countdown = QUANTUM_REORDER_INTERVAL;
    reorder(model);
  } else {
    halve(model);
  }
}
