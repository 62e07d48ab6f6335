// The fuzz entry on the seed cabinets and on many deterministic mutations of them: every
// ctest run (and the sanitizer build) meets damaged cabinets of every method.
#include <gtest/gtest.h>

#include "fuzz_entry.h"

namespace {

TEST(FuzzReplay, SeedsAndTheirMutationsNeverCrash) {
  auto seeds = fuzz_seed_cabinets();
  ASSERT_GE(seeds.size(), 2u);
  uint64_t x = 0x1234567;
  auto next = [&x]() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  for (const auto& seed : seeds) {
    fuzz_one_cabinet(seed.data(), seed.size());
    for (int round = 0; round < 1000; ++round) {
      std::vector<uint8_t> bytes = seed;
      int flips = 1 + int(next() % 8);
      for (int f = 0; f < flips; ++f) {
        size_t at = next() % bytes.size();
        // Mostly the directory and the first blocks, where the structure lives.
        if (next() & 1) at %= std::min<size_t>(bytes.size(), 512);
        bytes[at] = uint8_t(next());
      }
      if (round % 50 == 0) bytes.resize(next() % bytes.size());
      fuzz_one_cabinet(bytes.data(), bytes.size());
    }
  }
}

}  // namespace
