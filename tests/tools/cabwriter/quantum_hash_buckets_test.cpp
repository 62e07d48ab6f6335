// The Quantum match finder's hash buckets: what they keep, in what order, and which entries a
// search lets through.
#include <gtest/gtest.h>

#include "quantum_hash_buckets.h"

using cabwriter::QuantumHashBuckets;

namespace {

constexpr uint32_t BUCKET_BITS = 10;

// A hash whose top bits pick `bucket` and whose next eight are `tag`.
uint64_t hash_of(uint64_t bucket, uint64_t tag) {
  return bucket << (64 - BUCKET_BITS) | tag << (64 - BUCKET_BITS - 8);
}

TEST(QuantumHashBuckets, KeepTheNewestEntriesNewestFirst) {
  for (uint32_t ways : {16u, 32u, 64u}) {
    QuantumHashBuckets table(BUCKET_BITS, ways);
    const uint64_t key = hash_of(5, 7);
    const uint32_t newest = 100 + ways + 2;  // three more than fit: the oldest three drop out
    for (uint32_t pos = 100; pos <= newest; ++pos) table.insert(key, pos, pos * 3);
    QuantumHashBuckets::Bucket bucket = table.bucket(key);
    for (uint32_t i = 0; i < ways; ++i) {
      EXPECT_EQ(bucket.distance(i, newest + 1), i + 1) << ways;
      EXPECT_EQ(bucket.check(i), (newest - i) * 3) << ways;
    }
    EXPECT_EQ(bucket.matching(newest + 1, ways, 0, 0), ways == 64 ? ~uint64_t(0) : (uint64_t(1) << ways) - 1);
    EXPECT_EQ(table.bucket(hash_of(6, 7)).matching(newest + 1, newest + 1, 0, 0), 0u) << "other buckets stay empty";
  }
}

TEST(QuantumHashBuckets, SearchLetsThroughTheKeysEntriesInReachWithTheCheckBytes) {
  QuantumHashBuckets table(BUCKET_BITS, 16);
  const uint64_t key = hash_of(3, 0x5A), other_key = hash_of(3, 0x5B);  // one bucket, two tags
  const uint32_t check = 0xAABBCCDD;  // the first check byte lowest
  // Newest first: 1000, 990 (other key), 900, 500, 10.
  table.insert(key, 10, check);
  table.insert(key, 500, 0x11BBCCDD);  // differs in the fourth check byte
  table.insert(key, 900, 0xAABBCC00);  // differs in the first
  table.insert(other_key, 990, check);
  table.insert(key, 1000, check);
  const QuantumHashBuckets::Bucket bucket = table.bucket(key);
  struct Case {
    uint32_t pos, reach, care;
    uint64_t expected;  // bit i: the i-th newest entry
  } cases[] = {
      {1001, 1000, 0, 0b11101},
      {1001, 1000, 0xFF, 0b11001},
      {1001, 1000, 0xFFFFFF, 0b11001},
      {1001, 1000, 0xFFFFFFFF, 0b10001},
      {1001, 101, 0, 0b00101},  // reach is inclusive
      {1001, 100, 0, 0b00001},
      {1000, 1000, 0, 0b11100},  // an entry at the searched position itself is no candidate
      {1001 + (1u << 24), 1000, 0, 0b11101},  // positions count modulo 2^24
  };
  for (const Case& c : cases)
    EXPECT_EQ(bucket.matching(c.pos, c.reach, check, c.care), c.expected)
        << "pos " << c.pos << " reach " << c.reach << " care " << std::hex << c.care;
}

}  // namespace
