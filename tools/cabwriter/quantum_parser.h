// The parse of a Quantum block: at each position the match that saves the most bits by the
// models' current state, put off by one byte when the next position offers a better one (lazy
// matching).
#pragma once

#include <cstdint>

#include "quantum_encoder.h"
#include "quantum_match_finder.h"
#include "quantum_token_encoder.h"

namespace cabwriter {

// Bits each symbol would cost now; refreshed now and then as the models adapt.
struct QuantumCostTable {
  float literal[256];
  float selector[QUANTUM_SELECTORS];
  float short_slot[QUANTUM_POSITION_SLOTS];
  float medium_slot[QUANTUM_POSITION_SLOTS];
  float long_slot[QUANTUM_POSITION_SLOTS];
  float length_slot[QUANTUM_LENGTH_SLOTS];
};

class QuantumParser {
 public:
  // `tokens` must outlive the parser, which codes into it.
  QuantumParser(QuantumTokenEncoder& tokens, const QuantumOptions& options);

  // The stream as it arrives; see QuantumMatchFinder::append.
  QuantumMatchFinder& finder() { return finder_; }

  // Codes the stream's bytes [start, end) as tokens, no match crossing `end`. Blocks come in
  // order and every byte of them has arrived; so have the three after `end` unless the stream
  // ends before them.
  void parse(uint32_t start, uint32_t end);

 private:
  struct Choice {
    uint32_t length = 0;  // 0: a literal
    uint32_t offset = 0;
    float gain = 0;       // bits saved against coding the same bytes as literals
  };

  float match_cost(uint32_t length, uint32_t offset) const;
  Choice search(uint32_t pos, uint32_t end);
  void literal(uint32_t pos);
  void refresh_if_due();

  QuantumTokenEncoder& tokens_;
  QuantumMatchFinder finder_;
  QuantumCostTable costs_{};
  uint32_t tokens_since_refresh_;
};

}  // namespace cabwriter
