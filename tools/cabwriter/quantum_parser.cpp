#include "quantum_parser.h"

#include <algorithm>
#include <cmath>

namespace cabwriter {

namespace {

constexpr uint32_t COST_REFRESH_TOKENS = 512;
constexpr uint32_t LAZY_ENOUGH = 32;

void model_costs(const QuantumModel& model, float* cost) {
  float total = float(model.cum[0]);
  for (uint32_t i = 0; i < model.symbols; ++i)
    cost[model.symbol[i]] = std::log2(total / float(model.cum[i] - model.cum[i + 1]));
}

void refresh_costs(QuantumCostTable& t, const QuantumModels& m) {
  model_costs(m.selector, t.selector);
  for (uint32_t s = 0; s < 4; ++s) {
    float literal[QUANTUM_LITERAL_SYMBOLS];
    model_costs(m.literal[s], literal);
    for (uint32_t b = 0; b < QUANTUM_LITERAL_SYMBOLS; ++b) t.literal[s * 64 + b] = t.selector[s] + literal[b];
  }
  model_costs(m.short_position, t.short_slot);
  model_costs(m.medium_position, t.medium_slot);
  model_costs(m.long_position, t.long_slot);
  model_costs(m.length, t.length_slot);
}

}  // namespace

QuantumParser::QuantumParser(QuantumTokenEncoder& tokens, const QuantumOptions& options)
    : tokens_(tokens),
      finder_(tokens.window_size(), tokens.max_offset(3), tokens.max_offset(4),
              options.deep_ways, std::max<uint32_t>(options.nice_length, 3)),
      tokens_since_refresh_(COST_REFRESH_TOKENS) {}

float QuantumParser::match_cost(uint32_t length, uint32_t offset) const {
  uint32_t slot = tokens_.position_slot(offset);
  float extra = float(QUANTUM_POSITION_EXTRA[slot]);
  if (length == 3) return costs_.selector[4] + costs_.short_slot[slot] + extra;
  if (length == 4) return costs_.selector[5] + costs_.medium_slot[slot] + extra;
  uint32_t lslot = tokens_.length_slot(length);
  return costs_.selector[6] + costs_.length_slot[lslot] + float(QUANTUM_LENGTH_EXTRA[lslot]) +
         costs_.long_slot[slot] + extra;
}

// Records `pos` in the finder: every position is searched or skipped exactly once.
QuantumParser::Choice QuantumParser::search(uint32_t pos, uint32_t end) {
  Choice best;
  uint32_t max_length = std::min(QUANTUM_MAX_MATCH, end - pos);
  uint32_t summed = 0;
  float literal_sum = 0;
  const uint8_t* here = finder_.at(pos);
  finder_.candidates(pos, max_length, [&](uint32_t length, uint32_t offset) {
    for (; summed < length; ++summed) literal_sum += costs_.literal[here[summed]];
    float gain = literal_sum - match_cost(length, offset);
    if (gain > best.gain) best = {length, offset, gain};
  });
  return best;
}

void QuantumParser::literal(uint32_t pos) {
  tokens_.literal(*finder_.at(pos));
  ++tokens_since_refresh_;
}

void QuantumParser::refresh_if_due() {
  if (tokens_since_refresh_ < COST_REFRESH_TOKENS) return;
  refresh_costs(costs_, tokens_.models());
  tokens_since_refresh_ = 0;
}

void QuantumParser::parse(uint32_t start, uint32_t end) {
  uint32_t pos = start;
  refresh_if_due();
  Choice current = search(pos, end);
  while (pos < end) {
    refresh_if_due();
    if (current.length == 0) {
      literal(pos++);
      if (pos < end) current = search(pos, end);
      continue;
    }
    // Where this match would end is searched next, and the byte after it for the lazy
    // choice: their memory is asked for before the lazy search here.
    finder_.prefetch(pos + current.length, true);
    finder_.prefetch(pos + current.length + 1, true);
    // A long match is taken as it stands: putting it off would gain a byte at most.
    Choice next;
    if (current.length >= LAZY_ENOUGH)
      finder_.skip(pos + 1);
    else
      next = search(pos + 1, end);  // a match needs 3 bytes, so pos + 1 < end
    if (next.gain > current.gain) {
      literal(pos++);
      current = next;
      continue;
    }
    tokens_.match(current.length, current.offset);
    ++tokens_since_refresh_;
    for (uint32_t q = pos + 2; q < pos + current.length; ++q) finder_.skip(q);
    pos += current.length;
    if (pos < end) current = search(pos, end);
  }
}

}  // namespace cabwriter
