#include "quantum_match_finder.h"

namespace cabwriter {

namespace {

constexpr uint32_t HASH_BITS = 16;

}  // namespace

QuantumMatchFinder::QuantumMatchFinder(std::span<const uint8_t> data, uint32_t window_size,
                                       uint32_t short_reach, uint32_t medium_reach,
                                       uint32_t max_chain, uint32_t nice_length)
    : data_(data),
      window_size_(window_size),
      short_reach_(short_reach),
      medium_reach_(medium_reach),
      max_chain_(max_chain),
      nice_length_(nice_length),
      head3_(size_t(1) << HASH_BITS, 0),
      head4_(size_t(1) << HASH_BITS, 0),
      prev_(window_size, 0) {}

uint32_t QuantumMatchFinder::hash3(uint32_t pos) const {
  uint32_t v = uint32_t(data_[pos]) << 16 | uint32_t(data_[pos + 1]) << 8 | data_[pos + 2];
  return (v * 2654435761u) >> (32 - HASH_BITS);
}

uint32_t QuantumMatchFinder::hash4(uint32_t pos) const {
  uint32_t v = uint32_t(data_[pos]) << 24 | uint32_t(data_[pos + 1]) << 16 |
               uint32_t(data_[pos + 2]) << 8 | data_[pos + 3];
  return (v * 2654435761u) >> (32 - HASH_BITS);
}

// Enters `pos` in both tables; the caller has checked that three bytes follow it.
void QuantumMatchFinder::record(uint32_t pos) {
  head3_[hash3(pos)] = pos + 1;
  if (uint64_t(pos) + 4 > data_.size()) return;
  uint32_t h = hash4(pos);
  prev_[pos & (window_size_ - 1)] = head4_[h];
  head4_[h] = pos + 1;
}

uint32_t QuantumMatchFinder::common_length(uint32_t a, uint32_t b, uint32_t max_length) const {
  uint32_t n = 0;
  while (n < max_length && data_[a + n] == data_[b + n]) ++n;
  return n;
}

// The longest length a match may be coded with at this offset; 0 when none.
uint32_t QuantumMatchFinder::usable(uint32_t length, uint32_t offset) const {
  if (length >= 5) return length;
  if (length == 4 && offset <= medium_reach_) return 4;
  if (length >= 3 && offset <= short_reach_) return 3;
  return 0;
}

void QuantumMatchFinder::skip(uint32_t pos) {
  if (uint64_t(pos) + 3 > data_.size()) return;
  record(pos);
}

}  // namespace cabwriter
