#include "quantum_match_finder.h"

#include <algorithm>
#include <stdexcept>

#include "installer/cabinet/codec.h"

namespace cabwriter {

namespace {

// The three-byte table holds position + 1 in 32 bits, and a block must still fit after the
// last position.
constexpr uint32_t STREAM_LIMIT = UINT32_MAX - CAB_BLOCK_SIZE;

// The four-byte table holds the short matches' many candidates: as many entries as the window
// has positions (half as many cost binary content 6% in size), 16 to a bucket. The eight-byte
// table does with half as many entries, but needs its 32 to a bucket on binary content.
constexpr uint32_t NEAR_WAYS = 16;

// Buckets for a table of `entries` entries, `ways` to a bucket: at least 2^10 buckets.
uint32_t bucket_bits(uint32_t entries, uint32_t ways) {
  uint32_t bits = uint32_t(std::bit_width(entries / ways)) - 1;
  return std::max<uint32_t>(bits, 10);
}

// A bucket size the table takes: a power of two from 16 to MAX_WAYS.
uint32_t table_ways(uint32_t ways) {
  ways = std::clamp<uint32_t>(ways, 16, QuantumMatchFinder::MAX_WAYS);
  return std::bit_ceil(ways);
}

// Eight bytes as a little-endian number, the first byte lowest.
uint64_t load_le64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

// Multiplicative hashes of the keys in the eight bytes at a position (load_le64): the tables
// take their top bits.
uint64_t hash_bytes(uint64_t value) { return value * 0x9E3779B97F4A7C15ull; }
uint64_t hash3(uint64_t eight) { return hash_bytes(eight & 0xFFFFFF); }
uint64_t hash4(uint64_t eight) { return hash_bytes(eight & 0xFFFFFFFF); }
uint64_t hash8(uint64_t eight) { return hash_bytes(eight ^ (eight >> 29)); }  // never a zero multiple

}  // namespace

QuantumMatchFinder::QuantumMatchFinder(uint32_t window_size, uint32_t short_reach,
                                       uint32_t medium_reach, uint32_t deep_ways,
                                       uint32_t nice_length)
    : window_size_(window_size),
      short_reach_(short_reach),
      medium_reach_(medium_reach),
      nice_length_(nice_length),
      // Room for a window behind the next position and as much again ahead (at least two
      // blocks), so that sliding moves each byte about once.
      buffer_(size_t(window_size) * 2 + 2 * CAB_BLOCK_SIZE),
      head3_(size_t(1) << HEAD3_BITS, 0),
      near_(bucket_bits(window_size, NEAR_WAYS), NEAR_WAYS),
      deep_(bucket_bits(window_size / 2, table_ways(deep_ways)), table_ways(deep_ways)) {}

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

// The keys of the bytes from `pos` that have arrived: a position is entered in a table only
// once all its key's bytes are there.
QuantumMatchFinder::Keys QuantumMatchFinder::keys(uint32_t pos) const {
  Keys k;
  uint64_t left = uint64_t(end_) - pos;
  if (left < 3) return k;
  uint8_t bytes[16] = {};
  const uint8_t* p = at(pos);
  if (left < sizeof bytes) {
    std::memcpy(bytes, p, size_t(left));
    p = bytes;
  }
  uint64_t eight = load_le64(p);
  k.h3 = hash3(eight);
  k.h4 = hash4(eight);
  k.h8 = hash8(eight);
  k.check4 = uint32_t(eight >> 32);
  k.check8 = uint32_t(load_le64(p + 8));
  k.known = left >= 8 ? 3 : left >= 4 ? 2 : 1;
  return k;
}

void QuantumMatchFinder::record(uint32_t pos, const Keys& k) {
  next_ = pos + 1;
  if (k.known == 0) return;
  head3_[head3_slot(k.h3)] = pos + 1;
  if (k.known >= 2) near_.insert(k.h4, pos, k.check4);
  if (k.known == 3) deep_.insert(k.h8, pos, k.check8);
}

void QuantumMatchFinder::prefetch(uint32_t pos, bool search) const {
  if (uint64_t(pos) + 8 > end_) return;
  uint64_t eight = load_le64(at(pos));
  __builtin_prefetch(&head3_[head3_slot(hash3(eight))]);
  if (search) {
    near_.prefetch(hash4(eight));
    deep_.prefetch(hash8(eight));
  } else {
    near_.prefetch_insert(hash4(eight));
    deep_.prefetch_insert(hash8(eight));
  }
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
  // A position inside a match is likely followed by more of them.
  prefetch(pos + PREFETCH_DISTANCE, false);
  record(pos, keys(pos));
}

}  // namespace cabwriter
