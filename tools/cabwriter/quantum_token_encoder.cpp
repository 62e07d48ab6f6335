#include "quantum_token_encoder.h"

#include <algorithm>
#include <stdexcept>

namespace cabwriter {

QuantumTokenEncoder::QuantumTokenEncoder(uint32_t window_bits) {
  if (window_bits < QUANTUM_MIN_WINDOW_BITS || window_bits > QUANTUM_MAX_WINDOW_BITS)
    throw std::invalid_argument("Quantum window bits must be 10 to 21");
  window_size_ = 1u << window_bits;
  quantum_build_bases(&bases_);
  quantum_models_init(&models_, bases_, window_bits);
  // The slots by search once, for the lookups.
  const uint32_t* base = bases_.position;
  for (uint32_t width = 0; width <= 32; ++width) {
    uint32_t smallest = width == 0 ? 0 : uint32_t(1) << (width - 1);
    slot_of_width_[width] = uint8_t(std::upper_bound(base, base + QUANTUM_POSITION_SLOTS, smallest) - base - 1);
  }
  for (uint32_t value = 0; value < std::size(length_slot_); ++value) {
    const uint32_t* lbase = bases_.length;
    length_slot_[value] = uint8_t(std::upper_bound(lbase, lbase + QUANTUM_LENGTH_SLOTS, value) - lbase - 1);
  }
}

void QuantumTokenEncoder::code(QuantumModel& model, uint32_t symbol) {
  uint16_t countdown = model.countdown;
  coder_.encode(model, symbol);
  if (model.countdown == QUANTUM_REORDER_INTERVAL && countdown == 1) ++stats_.reorderings;
}

void QuantumTokenEncoder::literal(uint8_t byte) {
  uint32_t selector = byte >> 6;
  code(models_.selector, selector);
  code(models_.literal[selector], byte & 63);
  ++stats_.selectors[selector];
}

uint32_t QuantumTokenEncoder::max_offset(uint32_t length) const {
  if (length == 3) return std::min(window_size_, QUANTUM_SHORT_LIMIT);
  if (length == 4) return std::min(window_size_, QUANTUM_MEDIUM_LIMIT);
  if (length >= QUANTUM_CODED_LENGTH_MIN && length <= QUANTUM_MAX_MATCH) return window_size_;
  return 0;
}

void QuantumTokenEncoder::match(uint32_t length, uint32_t offset) {
  if (offset == 0 || offset > max_offset(length))
    throw std::invalid_argument("Quantum match out of reach");
  uint32_t slot = position_slot(offset);
  if (length == 3) {
    code(models_.selector, 4);
    code(models_.short_position, slot);
  } else if (length == 4) {
    code(models_.selector, 5);
    code(models_.medium_position, slot);
  } else {
    uint32_t lslot = length_slot(length);
    code(models_.selector, 6);
    code(models_.length, lslot);
    coder_.raw(length - QUANTUM_CODED_LENGTH_MIN - bases_.length[lslot],
               QUANTUM_LENGTH_EXTRA[lslot]);
    code(models_.long_position, slot);
  }
  coder_.raw(offset - 1 - bases_.position[slot], QUANTUM_POSITION_EXTRA[slot]);
  ++stats_.selectors[length == 3 ? 4 : length == 4 ? 5 : 6];
}

}  // namespace cabwriter
