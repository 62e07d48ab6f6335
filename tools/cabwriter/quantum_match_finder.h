// Match candidates over a folder's stream for the Quantum encoder. Chains link every earlier
// position with the same four bytes, nearest first, within the window; a second table keeps
// only the latest position of each three bytes, since a 3-byte match reaches only a short way
// back and the nearest one is the one worth coding. Chaining on four bytes spares the walk the
// many candidates that share just three, which is most of them in text.
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
  uint32_t hash3(uint32_t pos) const;
  uint32_t hash4(uint32_t pos) const;
  void record(uint32_t pos);
  uint32_t common_length(uint32_t a, uint32_t b, uint32_t max_length) const;
  uint32_t usable(uint32_t length, uint32_t offset) const;

  static constexpr uint32_t GOOD_LENGTH = 16;

  std::span<const uint8_t> data_;
  uint32_t window_size_;
  uint32_t short_reach_;
  uint32_t medium_reach_;
  uint32_t max_chain_;
  uint32_t nice_length_;
  std::vector<uint32_t> head3_;  // newest position + 1 per 3-byte hash, 0 for none
  std::vector<uint32_t> head4_;  // the same per 4-byte hash: the chains' heads
  std::vector<uint32_t> prev_;   // per position modulo the window: the previous one + 1
};

template <typename Visit>
void QuantumMatchFinder::candidates(uint32_t pos, uint32_t max_length, Visit&& visit) {
  if (uint64_t(pos) + 3 > data_.size()) return;
  uint32_t best = 2;  // candidates shorter than 3 are never visited
  uint32_t enough = max_length < nice_length_ ? max_length : nice_length_;
  if (uint32_t link = head3_[hash3(pos)]; link != 0 && pos - (link - 1) <= window_size_) {
    uint32_t cand = link - 1;
    uint32_t length = usable(common_length(cand, pos, max_length), pos - cand);
    if (length > best) {
      best = length;
      visit(length, pos - cand);
    }
  }
  if (uint64_t(pos) + 4 <= data_.size()) {
    uint32_t chain = max_chain_;
    for (uint32_t link = head4_[hash4(pos)]; link != 0 && chain-- > 0 && best < enough;) {
      uint32_t cand = link - 1;
      uint32_t offset = pos - cand;
      if (offset > window_size_) break;
      if (data_[cand + best] == data_[pos + best]) {
        uint32_t length = usable(common_length(cand, pos, max_length), offset);
        if (length > best) {
          // A good match in hand: the rest of the chain is unlikely to beat it by enough to
          // pay for the walk.
          if (best < GOOD_LENGTH && length >= GOOD_LENGTH) chain /= 4;
          best = length;
          visit(length, offset);
        }
      }
      link = prev_[cand & (window_size_ - 1)];
    }
  }
  record(pos);
}

}  // namespace cabwriter
