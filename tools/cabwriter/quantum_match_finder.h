// Hash chains over a folder's stream for the Quantum encoder: every earlier position with the
// same three bytes, nearest first, within the window.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace cabwriter {

class QuantumMatchFinder {
 public:
  // Lengths 3 and 4 reach only `short_reach` and `medium_reach` back; longer ones the window.
  // The search at a position ends after `max_chain` candidates or at one of `nice_length`.
  QuantumMatchFinder(std::span<const uint8_t> data, uint32_t window_size, uint32_t short_reach,
                     uint32_t medium_reach, uint32_t max_chain, uint32_t nice_length);

  // Calls visit(length, offset) for each usable match at `pos` (length at least 3, at most
  // `max_length`, each longer than the last visited), then records `pos`. Positions must be
  // recorded in increasing order, each once.
  template <typename Visit>
  void candidates(uint32_t pos, uint32_t max_length, Visit&& visit);

  // Records `pos` without looking for matches (bytes covered by a match).
  void skip(uint32_t pos);

 private:
  uint32_t hash(uint32_t pos) const;
  uint32_t common_length(uint32_t a, uint32_t b, uint32_t max_length) const;
  uint32_t usable(uint32_t length, uint32_t offset) const;

  std::span<const uint8_t> data_;
  uint32_t window_size_;
  uint32_t short_reach_;
  uint32_t medium_reach_;
  uint32_t max_chain_;
  uint32_t nice_length_;
  std::vector<uint32_t> head_;  // newest position + 1 per hash, 0 for none
  std::vector<uint32_t> prev_;  // per position modulo the window: the previous one + 1
};

template <typename Visit>
void QuantumMatchFinder::candidates(uint32_t pos, uint32_t max_length, Visit&& visit) {
  if (uint64_t(pos) + 3 > data_.size()) return;
  uint32_t h = hash(pos);
  uint32_t best = 2;  // candidates shorter than 3 are never visited
  uint32_t chain = max_chain_;
  uint32_t enough = max_length < nice_length_ ? max_length : nice_length_;
  for (uint32_t link = head_[h]; link != 0 && chain-- > 0 && best < enough;) {
    uint32_t cand = link - 1;
    uint32_t offset = pos - cand;
    if (offset > window_size_) break;
    if (data_[cand + best] == data_[pos + best]) {
      uint32_t length = usable(common_length(cand, pos, max_length), offset);
      if (length > best) {
        best = length;
        visit(length, offset);
      }
    }
    link = prev_[cand & (window_size_ - 1)];
  }
  prev_[pos & (window_size_ - 1)] = head_[h];
  head_[h] = pos + 1;
}

}  // namespace cabwriter
