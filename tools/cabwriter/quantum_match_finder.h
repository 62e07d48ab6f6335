// Match candidates over a folder's stream for the Quantum encoder, the stream arriving in
// pieces. Two hash tables keep, per bucket, the newest positions whose next bytes hashed
// alike, in whole cache lines, each with the four bytes after its key (QuantumHashBuckets):
// one keyed on four bytes for the short matches, one keyed on eight bytes, and deeper, for
// the long ones. A bucket's entries lie side by side, and the buckets of the positions a
// little ahead are requested early, so a search does not wait for memory step after step as a
// chain walk does; it tells from the check bytes which candidates could beat the best match
// so far, and reads the bytes of those few only, far back in the window. A third
// table keeps only the latest position of each three bytes, since a 3-byte match reaches only
// a short way back and the nearest one is the one worth coding.
//
// Check bytes only decide which candidates are read: every length reported is measured on
// the bytes themselves.
//
// The finder holds the stream's last window before the next position to record and what has
// arrived past it, in a buffer that slides when full: memory is the buffer (twice the window
// and two blocks) and the tables (12 bytes per window position), whatever the stream's
// length: about 28 MiB for the largest window. Positions are the stream's own, counted from
// its first byte.
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "quantum_hash_buckets.h"

namespace cabwriter {

class QuantumMatchFinder {
 public:
  // Lengths 3 and 4 reach only `short_reach` and `medium_reach` back; longer ones the window.
  // The eight-byte table keeps `deep_ways` candidates per bucket (rounded up to a power of two
  // from 16 to MAX_WAYS); a match of `nice_length` ends the search. Throws std::bad_alloc.
  QuantumMatchFinder(uint32_t window_size, uint32_t short_reach, uint32_t medium_reach,
                     uint32_t deep_ways, uint32_t nice_length);

  // Takes the longest prefix of `bytes` that fits, sliding out what lies more than a window
  // before the next position to record, and returns its length: at least 1 for a non-empty
  // `bytes` as long as fewer than `lookahead_room()` bytes past that position are held.
  // Throws std::runtime_error once the stream would pass the positions the tables can hold.
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
  // A position's hashes read up to LOOKAHEAD bytes from it: the caller either holds back
  // until they have arrived or knows the stream ends before them, else the tables differ from
  // the whole stream's (still valid, no longer independent of how the stream was cut).
  template <typename Visit>
  void candidates(uint32_t pos, uint32_t max_length, Visit&& visit);

  // Records `pos` without looking for matches (bytes covered by a match).
  void skip(uint32_t pos);

  // Asks for the memory that searching `pos` (or, without `search`, recording it) will use:
  // a hint, which candidates() and skip() give themselves for the positions a little ahead.
  // Does nothing for a position whose keys have not arrived.
  void prefetch(uint32_t pos, bool search) const;

  // Bytes a position's keys and check bytes read, the position's own included.
  static constexpr uint32_t LOOKAHEAD = 12;
  static constexpr uint32_t MAX_WAYS = QuantumHashBuckets::MAX_WAYS;

 private:
  // What a position enters in the tables. Keys and check bytes past the stream's last byte
  // (at its very end) read as zeros.
  struct Keys {
    uint64_t h3 = 0, h4 = 0, h8 = 0;
    uint32_t check4 = 0;  // bytes 4 to 7, the first lowest
    uint32_t check8 = 0;  // bytes 8 to 11
    uint32_t known = 0;   // how many of the three keys the arrived bytes give: 0 to 3
  };

  static constexpr uint32_t HEAD3_BITS = 16;
  // Positions whose buckets are requested ahead of their search: far enough for the memory
  // to arrive, near enough to stay in the nearest cache.
  static constexpr uint32_t PREFETCH_DISTANCE = 16;

  static size_t head3_slot(uint64_t hash) { return size_t(hash >> (64 - HEAD3_BITS)); }
  Keys keys(uint32_t pos) const;
  void record(uint32_t pos, const Keys& k);

  template <typename Visit>
  void scan(const QuantumHashBuckets& table, uint64_t hash, uint32_t key_length, uint32_t check,
            uint32_t pos, uint32_t max_length, uint32_t stop_at, uint32_t& best, Visit&& visit);
  uint32_t usable(uint32_t length, uint32_t offset) const;
  void slide();

  uint32_t window_size_;
  uint32_t short_reach_;
  uint32_t medium_reach_;
  uint32_t nice_length_;
  std::vector<uint8_t> buffer_;  // stream bytes [base_, end_) from its start
  uint32_t base_ = 0;
  uint32_t end_ = 0;
  uint32_t next_ = 0;  // the next position to record
  std::vector<uint32_t> head3_;  // newest position + 1 per 3-byte hash, 0 for none
  QuantumHashBuckets near_;      // keyed on four bytes, checked on the next four
  QuantumHashBuckets deep_;      // keyed on eight bytes, checked on the next four
};

// Bytes `a` and `b` have in common from their start, at most `max_length`; eight at a time.
inline uint32_t quantum_common_length(const uint8_t* a, const uint8_t* b, uint32_t max_length) {
  uint32_t n = 0;
  for (; n + 8 <= max_length; n += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (uint64_t diff = x ^ y) {
      if constexpr (std::endian::native == std::endian::little) return n + uint32_t(std::countr_zero(diff)) / 8;
      else return n + uint32_t(std::countl_zero(diff)) / 8;
    }
  }
  while (n < max_length && a[n] == b[n]) ++n;
  return n;
}

// Looks at the candidates in the bucket of `hash` within the window, nearest first, until
// `best` reaches `stop_at`, visiting each match longer than `best`. A candidate shares the
// table's `key_length` bytes with `pos` unless its key only hashed alike; `check` holds the
// four bytes after the key at `pos`, the first lowest. Only a candidate whose check bytes
// promise more than `best` has its bytes read.
template <typename Visit>
void QuantumMatchFinder::scan(const QuantumHashBuckets& table, uint64_t hash, uint32_t key_length,
                              uint32_t check, uint32_t pos, uint32_t max_length, uint32_t stop_at,
                              uint32_t& best, Visit&& visit) {
  uint32_t reach = pos < window_size_ ? pos : window_size_;
  if (reach == 0) return;
  const QuantumHashBuckets::Bucket bucket = table.bucket(hash);
  const uint8_t* here = at(pos);
  // Check bytes a candidate must share to be longer than `best`: all four promise any length.
  uint32_t needed = best + 1 > key_length ? best + 1 - key_length : 0;
  uint32_t care = needed >= 4 ? 0xFFFFFFFFu : (uint32_t(1) << (8 * needed)) - 1;
  for (uint64_t left = bucket.matching(pos, reach, check, care); left != 0 && best < stop_at;
       left &= left - 1) {
    uint32_t i = uint32_t(std::countr_zero(left));
    uint32_t offset = bucket.distance(i, pos);
    assert(offset >= 1 && offset <= reach);
    // `best` may have grown since the bucket was filtered, and lengths 3 and 4 have a reach.
    uint32_t diff = bucket.check(i) ^ check;
    uint32_t promised = diff ? key_length + uint32_t(std::countr_zero(diff)) / 8 : max_length;
    if (usable(promised < max_length ? promised : max_length, offset) <= best) continue;
    uint32_t length = usable(quantum_common_length(here - offset, here, max_length), offset);
    if (length > best) {
      best = length;
      visit(length, offset);
    }
  }
}

template <typename Visit>
void QuantumMatchFinder::candidates(uint32_t pos, uint32_t max_length, Visit&& visit) {
  assert(pos == next_ && uint64_t(pos) + max_length <= end_);
  // A searched position is likely followed by more of them.
  prefetch(pos + PREFETCH_DISTANCE, true);
  Keys k = keys(pos);
  if (k.known == 0) {
    next_ = pos + 1;
    return;
  }
  const uint8_t* here = at(pos);
  uint32_t best = 2;  // candidates shorter than 3 are never visited
  uint32_t enough = max_length < nice_length_ ? max_length : nice_length_;
  if (uint32_t link = head3_[head3_slot(k.h3)]; link != 0 && pos - (link - 1) <= window_size_) {
    uint32_t offset = pos - (link - 1);
    uint32_t length = usable(quantum_common_length(here - offset, here, max_length), offset);
    if (length > best) {
      best = length;
      visit(length, offset);
    }
  }
  if (k.known >= 2) {
    // Longer matches are the deep table's.
    uint32_t short_enough = enough < 8 ? enough : 8;
    scan(near_, k.h4, 4, k.check4, pos, max_length, short_enough, best, visit);
  }
  if (k.known == 3 && max_length >= 8) scan(deep_, k.h8, 8, k.check8, pos, max_length, enough, best, visit);
  record(pos, k);
}

}  // namespace cabwriter
