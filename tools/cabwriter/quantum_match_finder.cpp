#include "quantum_match_finder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "installer/cabinet/codec.h"

namespace cabwriter {

namespace {

constexpr uint32_t HASH_BITS = 16;

// Chains hold position + 1 in 32 bits, and a block must still fit after the last position.
constexpr uint32_t STREAM_LIMIT = UINT32_MAX - CAB_BLOCK_SIZE;

}  // namespace

QuantumMatchFinder::QuantumMatchFinder(uint32_t window_size, uint32_t short_reach,
                                       uint32_t medium_reach, uint32_t max_chain,
                                       uint32_t nice_length)
    : window_size_(window_size),
      short_reach_(short_reach),
      medium_reach_(medium_reach),
      max_chain_(max_chain),
      nice_length_(nice_length),
      // Room for a window behind the next position and as much again ahead (at least two
      // blocks), so that sliding moves each byte about once.
      buffer_(size_t(window_size) * 2 + 2 * CAB_BLOCK_SIZE),
      head3_(size_t(1) << HASH_BITS, 0),
      head4_(size_t(1) << HASH_BITS, 0),
      prev_(window_size, 0) {}

size_t QuantumMatchFinder::append(std::span<const uint8_t> bytes) {
  if (bytes.size() > STREAM_LIMIT - end_) throw std::runtime_error("folder too large for Quantum");
  if (end_ - base_ == buffer_.size()) slide();
  size_t n = std::min<size_t>(bytes.size(), buffer_.size() - (end_ - base_));
  std::memcpy(buffer_.data() + (end_ - base_), bytes.data(), n);
  end_ += uint32_t(n);
  return n;
}

void QuantumMatchFinder::slide() {
  uint32_t keep_from = next_ > window_size_ ? next_ - window_size_ : 0;
  if (keep_from <= base_) return;
  std::memmove(buffer_.data(), buffer_.data() + (keep_from - base_), end_ - keep_from);
  base_ = keep_from;
}

uint32_t QuantumMatchFinder::hash3(const uint8_t* p) const {
  uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  return (v * 2654435761u) >> (32 - HASH_BITS);
}

uint32_t QuantumMatchFinder::hash4(const uint8_t* p) const {
  uint32_t v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  return (v * 2654435761u) >> (32 - HASH_BITS);
}

// Enters `pos` in both tables; the caller has checked that three bytes follow it.
void QuantumMatchFinder::record(uint32_t pos) {
  next_ = pos + 1;
  const uint8_t* p = at(pos);
  head3_[hash3(p)] = pos + 1;
  if (uint64_t(pos) + 4 > end_) return;
  uint32_t h = hash4(p);
  prev_[pos & (window_size_ - 1)] = head4_[h];
  head4_[h] = pos + 1;
}

// The longest length a match may be coded with at this offset; 0 when none.
uint32_t QuantumMatchFinder::usable(uint32_t length, uint32_t offset) const {
  if (length >= 5) return length;
  if (length == 4 && offset <= medium_reach_) return 4;
  if (length >= 3 && offset <= short_reach_) return 3;
  return 0;
}

void QuantumMatchFinder::skip(uint32_t pos) {
  assert(pos == next_);
  if (uint64_t(pos) + 3 > end_) {
    next_ = pos + 1;
    return;
  }
  record(pos);
}

}  // namespace cabwriter
