// A hash table whose every bucket holds the newest few positions whose key hashed to it, in
// whole cache lines: the candidates of one search arrive together. An entry is eight bytes:
// the position's low 24 bits, eight more bits of its key's hash (which tell most keys that
// only share a bucket apart), and four check bytes (the bytes that follow the key). A search
// compares a whole bucket at once, a few vector operations, to find the candidates within
// reach whose check bytes could make them longer than the best match so far: only their
// bytes, far back in the window, are read.
//
// 24 bits name a position within 16 MiB of the one searched, and a window is at most 2 MiB;
// an entry older than that may alias a position in the window. Such a candidate is only
// wrong, never unsafe: the finder measures every length on the bytes themselves.
//
// A bucket is a ring starting at the index of its newest entry, which lives in a separate
// small array: an insert writes one entry, in one cache line.
#pragma once

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace cabwriter {

class QuantumHashBuckets {
 public:
  static constexpr uint32_t LANES = 8;  // entries compared in one vector operation
  static constexpr uint32_t MAX_WAYS = 64;
  static constexpr uint32_t POSITION_BITS = 24;
  static constexpr uint32_t POSITION_MASK = (1u << POSITION_BITS) - 1;

  // 2^`bucket_bits` buckets of `ways` entries each, a power of two from 16 to MAX_WAYS:
  // 8 * ways << bucket_bits bytes and a byte per bucket, all of them naming position 0.
  // Throws std::bad_alloc.
  QuantumHashBuckets(uint32_t bucket_bits, uint32_t ways);

  uint32_t ways() const { return ways_; }

  // A bucket's entries; index 0 is the newest, then older and older. Valid until the next
  // insert().
  class Bucket {
   public:
    // How far the `i`-th newest entry lies before `pos`, modulo 2^24.
    uint32_t distance(uint32_t i, uint32_t pos) const {
      return (pos - entries_[word_of((first_ + i) & mask_)]) & POSITION_MASK;
    }
    uint32_t check(uint32_t i) const { return entries_[word_of((first_ + i) & mask_) + LANES]; }

    // Bit i set for the i-th newest entry whose distance from `pos` is 1 to `reach` (below
    // 2^24), whose key hashed as this bucket's `hash` did, and whose check bytes equal
    // `check` wherever `care` has bits.
    uint64_t matching(uint32_t pos, uint32_t reach, uint32_t check, uint32_t care) const;

   private:
    friend class QuantumHashBuckets;
    Bucket(const uint32_t* entries, uint32_t first, uint32_t ways, uint32_t tag)
        : entries_(entries), first_(first), mask_(ways - 1), ways_(ways), tag_(tag) {}
    const uint32_t* entries_;
    uint32_t first_;
    uint32_t mask_;
    uint32_t ways_;
    uint32_t tag_;  // the hash bits every entry of the searched key carries
  };

  // The bucket for a 64-bit hash value; its top bits pick it.
  Bucket bucket(uint64_t hash) const {
    size_t b = index(hash);
    return {entries_.get() + 2 * ways_ * b, newest_[b], ways_, tag(hash)};
  }

  // Asks for the memory an insert into the bucket will write (most likely: another insert
  // may come first).
  void prefetch_insert(uint64_t hash) const {
    size_t b = index(hash);
    uint32_t first = (newest_[b] - 1u) & (ways_ - 1);
    __builtin_prefetch(entries_.get() + 2 * ways_ * b + word_of(first));
  }

  // Asks for the whole bucket's memory ahead of a search.
  void prefetch(uint64_t hash) const {
    size_t b = index(hash);
    __builtin_prefetch(&newest_[b]);
    const uint32_t* start = entries_.get() + 2 * ways_ * b;
    for (uint32_t at = 0; at < 2 * ways_; at += LINE_ENTRIES) __builtin_prefetch(start + at);
  }

  // Puts `pos` first in its bucket in place of the oldest entry.
  void insert(uint64_t hash, uint32_t pos, uint32_t check) {
    size_t b = index(hash);
    uint32_t first = (newest_[b] - 1u) & (ways_ - 1);
    newest_[b] = uint8_t(first);
    uint32_t* entries = entries_.get() + 2 * ways_ * b;
    entries[word_of(first)] = tag(hash) | (pos & POSITION_MASK);
    entries[word_of(first) + LANES] = check;
  }

 private:
  static constexpr uint32_t LINE_ENTRIES = 16;  // 32-bit words in a cache line

  // Where entry `i` of a bucket keeps its position: each cache line holds the positions of
  // LANES entries, then their check bytes, so that an insert writes a single line.
  static uint32_t word_of(uint32_t i) { return i / LANES * 2 * LANES + i % LANES; }
  struct Free {
    void operator()(uint32_t* p) const { std::free(p); }
  };

  size_t index(uint64_t hash) const { return size_t(hash >> (64 - bucket_bits_)); }
  // The eight hash bits below those that pick the bucket, where an entry keeps them.
  uint32_t tag(uint64_t hash) const { return uint32_t(hash >> (64 - bucket_bits_ - 8)) << POSITION_BITS; }

  uint32_t bucket_bits_;
  uint32_t ways_;
  std::vector<uint8_t> newest_;  // per bucket: the index of its newest entry
  std::unique_ptr<uint32_t[], Free> entries_;
};

}  // namespace cabwriter
