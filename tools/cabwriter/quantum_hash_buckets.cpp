#include "quantum_hash_buckets.h"

namespace cabwriter {

namespace {

// Eight entries as one value: a vector register where the target has them, plain integer
// operations where it has not.
using Lanes = uint32_t __attribute__((vector_size(4 * QuantumHashBuckets::LANES)));

constexpr Lanes LANE_BIT = {1, 2, 4, 8, 16, 32, 64, 128};

}  // namespace

QuantumHashBuckets::QuantumHashBuckets(uint32_t bucket_bits, uint32_t ways)
    : bucket_bits_(bucket_bits), ways_(ways), newest_(size_t(1) << bucket_bits, 0) {
  assert(bucket_bits >= 1 && bucket_bits <= 24);
  assert(ways >= LINE_ENTRIES && ways <= MAX_WAYS && std::has_single_bit(ways));
  size_t bytes = (size_t(ways) << bucket_bits) * 2 * sizeof(uint32_t);
  entries_.reset(static_cast<uint32_t*>(std::aligned_alloc(LINE_ENTRIES * sizeof(uint32_t), bytes)));
  if (!entries_) throw std::bad_alloc();
  std::memset(entries_.get(), 0, bytes);
}

uint64_t QuantumHashBuckets::Bucket::matching(uint32_t pos, uint32_t reach, uint32_t check,
                                              uint32_t care) const {
  assert(reach >= 1 && reach < (1u << POSITION_BITS));
  const Lanes here = Lanes{} + pos, last = Lanes{} + (reach - 1), tag = Lanes{} + tag_;
  const Lanes cared = Lanes{} + care, wanted = Lanes{} + (check & care);
  uint64_t raw = 0;
  for (uint32_t at = 0; at < ways_; at += LANES) {
    Lanes e, c;
    std::memcpy(&e, entries_ + word_of(at), sizeof e);
    std::memcpy(&c, entries_ + word_of(at) + LANES, sizeof c);
    // Distance 0 wraps to the largest value and so falls out with those past the reach.
    Lanes in_reach = ((here - e - 1) & POSITION_MASK) <= last;
    Lanes alike = ((e & ~POSITION_MASK) == tag) & ((c & cared) == wanted);
    // Bit i for each true lane i (a true lane is all ones).
    Lanes bits = in_reach & alike & LANE_BIT;
    uint32_t group = 0;
    for (uint32_t i = 0; i < LANES; ++i) group |= bits[i];
    raw |= uint64_t(group) << at;
  }
  // Ring order to age order: entry first_ is the newest.
  uint64_t older = raw >> first_;
  uint64_t wrapped = first_ == 0 ? 0 : raw << (ways_ - first_);
  uint64_t all = ways_ == 64 ? ~uint64_t(0) : (uint64_t(1) << ways_) - 1;
  return (older | wrapped) & all;
}

}  // namespace cabwriter
