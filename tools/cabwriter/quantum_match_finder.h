// Match candidates over a folder's stream for the Quantum encoder, the stream arriving in
// pieces. Chains link every earlier position with the same four bytes, nearest first, within
// the window; a second table keeps only the latest position of each three bytes, since a
// 3-byte match reaches only a short way back and the nearest one is the one worth coding.
// Chaining on four bytes spares the walk the many candidates that share just three, which is
// most of them in text.
//
// The finder holds the stream's last window before the next position to record and what has
// arrived past it, in a buffer that slides when full: memory is about six times the window
// (the buffer twice the window, the chains four bytes per window position), whatever the
// stream's length. Positions are the stream's own, counted from its first byte.
#pragma once

#include <cassert>
#include <cstdint>
#include <span>
#include <vector>

namespace cabwriter {

class QuantumMatchFinder {
 public:
  // Lengths 3 and 4 reach only `short_reach` and `medium_reach` back; longer ones the window.
  // The search at a position ends after `max_chain` candidates or at one of `nice_length`.
  QuantumMatchFinder(uint32_t window_size, uint32_t short_reach, uint32_t medium_reach,
                     uint32_t max_chain, uint32_t nice_length);

  // Takes the longest prefix of `bytes` that fits, sliding out what lies more than a window
  // before the next position to record, and returns its length: at least 1 for a non-empty
  // `bytes` as long as fewer than `lookahead_room()` bytes past that position are held.
  // Throws std::runtime_error once the stream would pass the positions the chains can hold.
  size_t append(std::span<const uint8_t> bytes);

  // Bytes past the next position to record that append() always finds room for.
  uint32_t lookahead_room() const { return uint32_t(buffer_.size()) - window_size_; }

  // Bytes of the stream received so far: positions below this may be read.
  uint32_t end() const { return end_; }

  // The bytes from `pos` on, valid up to end(); `pos` is at most a window before the next
  // position to record. The pointer lasts until the next append().
  const uint8_t* at(uint32_t pos) const {
    assert(pos >= base_ && pos <= end_);
    return buffer_.data() + (pos - base_);
  }

  // Calls visit(length, offset) for each usable match at `pos` (length at least 3, at most
  // `max_length`, each longer than the last visited), then records `pos`. Positions must be
  // recorded in increasing order, each once, and `max_length` bytes from `pos` have arrived.
  // A position's hashes read up to four bytes from it: the caller either holds back until
  // they have arrived or knows the stream ends before them, else the chains differ from the
  // whole stream's (still valid, no longer independent of how the stream was cut).
  template <typename Visit>
  void candidates(uint32_t pos, uint32_t max_length, Visit&& visit);

  // Records `pos` without looking for matches (bytes covered by a match).
  void skip(uint32_t pos);

 private:
  uint32_t hash3(const uint8_t* p) const;
  uint32_t hash4(const uint8_t* p) const;
  void record(uint32_t pos);
  uint32_t usable(uint32_t length, uint32_t offset) const;
  void slide();

  static constexpr uint32_t GOOD_LENGTH = 16;

  uint32_t window_size_;
  uint32_t short_reach_;
  uint32_t medium_reach_;
  uint32_t max_chain_;
  uint32_t nice_length_;
  std::vector<uint8_t> buffer_;  // stream bytes [base_, end_) from its start
  uint32_t base_ = 0;
  uint32_t end_ = 0;
  uint32_t next_ = 0;  // the next position to record
  std::vector<uint32_t> head3_;  // newest position + 1 per 3-byte hash, 0 for none
  std::vector<uint32_t> head4_;  // the same per 4-byte hash: the chains' heads
  std::vector<uint32_t> prev_;   // per position modulo the window: the previous one + 1
};

// Bytes `a` and `b` have in common from their start, at most `max_length`.
inline uint32_t quantum_common_length(const uint8_t* a, const uint8_t* b, uint32_t max_length) {
  uint32_t n = 0;
  while (n < max_length && a[n] == b[n]) ++n;
  return n;
}

template <typename Visit>
void QuantumMatchFinder::candidates(uint32_t pos, uint32_t max_length, Visit&& visit) {
  assert(pos == next_ && uint64_t(pos) + max_length <= end_);
  if (uint64_t(pos) + 3 > end_) {
    next_ = pos + 1;
    return;
  }
  const uint8_t* here = at(pos);
  uint32_t best = 2;  // candidates shorter than 3 are never visited
  uint32_t enough = max_length < nice_length_ ? max_length : nice_length_;
  if (uint32_t link = head3_[hash3(here)]; link != 0 && pos - (link - 1) <= window_size_) {
    uint32_t offset = pos - (link - 1);
    uint32_t length = usable(quantum_common_length(here - offset, here, max_length), offset);
    if (length > best) {
      best = length;
      visit(length, offset);
    }
  }
  if (uint64_t(pos) + 4 <= end_) {
    uint32_t chain = max_chain_;
    for (uint32_t link = head4_[hash4(here)]; link != 0 && chain-- > 0 && best < enough;) {
      uint32_t cand = link - 1;
      uint32_t offset = pos - cand;
      if (offset > window_size_) break;
      const uint8_t* there = here - offset;
      if (there[best] == here[best]) {
        uint32_t length = usable(quantum_common_length(there, here, max_length), offset);
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
