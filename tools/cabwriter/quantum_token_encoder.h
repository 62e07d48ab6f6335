// Quantum's symbols on top of the arithmetic coder: literals through the four literal models,
// matches through the three selectors that carry them. The models and the window size run on
// across blocks, as in the decoder.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "installer/cabinet/quantum_model.h"
#include "quantum_arith_encoder.h"

namespace cabwriter {

struct QuantumStats {
  std::array<uint64_t, QUANTUM_SELECTORS> selectors{};  // tokens per selector
  uint64_t reorderings = 0;  // rescales that reordered a model, over all nine
};

class QuantumTokenEncoder {
 public:
  // Throws std::invalid_argument for window bits outside 10 to 21.
  explicit QuantumTokenEncoder(uint32_t window_bits);

  void begin_block() { coder_.begin_block(); }
  void literal(uint8_t byte);
  // Throws std::invalid_argument for a match the format cannot express (see max_offset).
  void match(uint32_t length, uint32_t offset);
  std::vector<uint8_t> finish_block() { return coder_.finish_block(); }

  // The farthest offset a match of `length` may have: lengths 3 and 4 have their own, shorter
  // reach. 0 for a length the format lacks.
  uint32_t max_offset(uint32_t length) const;

  uint32_t window_size() const { return window_size_; }
  const QuantumModels& models() const { return models_; }
  const QuantumBases& bases() const { return bases_; }
  const QuantumStats& stats() const { return stats_; }
  uint64_t decoder_bits() const { return coder_.decoder_bits(); }
  uint64_t straddles() const { return coder_.straddles(); }

  // Slot for an offset (1 to the window size), and for a coded length (5 to
  // QUANTUM_MAX_MATCH): a table lookup, then at most a step or two.
  uint32_t position_slot(uint32_t offset) const {
    uint32_t value = offset - 1;
    uint32_t slot = slot_of_width_[std::bit_width(value)];
    while (slot + 1 < QUANTUM_POSITION_SLOTS && bases_.position[slot + 1] <= value) ++slot;
    return slot;
  }
  uint32_t length_slot(uint32_t length) const { return length_slot_[length - QUANTUM_CODED_LENGTH_MIN]; }

 private:
  void code(QuantumModel& model, uint32_t symbol);

  uint32_t window_size_;
  QuantumBases bases_;
  uint8_t slot_of_width_[33];  // position slot of the smallest value of each bit width
  uint8_t length_slot_[QUANTUM_MAX_MATCH - QUANTUM_CODED_LENGTH_MIN + 1];
  QuantumModels models_;
  QuantumArithEncoder coder_;
  QuantumStats stats_;
};

}  // namespace cabwriter
