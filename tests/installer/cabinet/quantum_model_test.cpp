// Quantum's tables and adaptive models: sizes by window, adaptation, the rescale boundary,
// halving, and the reorderings at the 4th and 54th rescale.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "installer/cabinet/quantum_model.h"

namespace {

using Entries = std::vector<std::pair<uint16_t, uint16_t>>;  // (cumulative, symbol)

Entries entries_of(const QuantumModel& m) {
  Entries out;
  for (uint32_t i = 0; i <= m.symbols; ++i) out.emplace_back(m.cum[i], m.symbol[i]);
  return out;
}

uint32_t index_of(const QuantumModel& m, uint32_t symbol) {
  for (uint32_t i = 0; i < m.symbols; ++i)
    if (m.symbol[i] == symbol) return i;
  ADD_FAILURE() << "symbol " << symbol << " missing";
  return 0;
}

// Counts `symbol` until the model rescales; returns how many updates that took.
uint32_t feed_until_rescale(QuantumModel& m, uint32_t symbol) {
  for (uint32_t n = 1;; ++n) {
    uint16_t before = m.cum[0];
    quantum_model_update(&m, index_of(m, symbol));
    if (m.cum[0] < before) return n;
  }
}

QuantumBases bases() {
  QuantumBases b;
  quantum_build_bases(&b);
  return b;
}

TEST(QuantumTables, BasesAreRunningSumsOfTheExtraBits) {
  QuantumBases b = bases();
  const uint32_t lengths[27] = {0,  1,  2,  3,  4,  5,  6,  8,   10,  12,  14,  18,  22, 26,
                                30, 38, 46, 54, 62, 78, 94, 110, 126, 158, 190, 222, 254};
  const uint32_t positions[42] = {
      0,      1,      2,      3,      4,      6,      8,      12,     16,      24,     32,
      48,     64,     96,     128,    192,    256,    384,    512,    768,     1024,   1536,
      2048,   3072,   4096,   6144,   8192,   12288,  16384,  24576,  32768,   49152,  65536,
      98304,  131072, 196608, 262144, 393216, 524288, 786432, 1048576, 1572864};
  for (int i = 0; i < 27; ++i) EXPECT_EQ(b.length[i], lengths[i]) << "length slot " << i;
  for (int i = 0; i < 42; ++i) EXPECT_EQ(b.position[i], positions[i]) << "position slot " << i;
}

TEST(QuantumTables, PositionModelsAreSizedByTheWindow) {
  struct Case {
    uint32_t bits, short_slots, medium_slots, long_slots;
  };
  for (Case c : {Case{10, 20, 20, 20}, Case{12, 24, 24, 24}, Case{15, 24, 30, 30},
                 Case{18, 24, 36, 36}, Case{20, 24, 36, 40}, Case{21, 24, 36, 42}}) {
    QuantumModels m;
    quantum_models_init(&m, bases(), c.bits);
    EXPECT_EQ(m.short_position.symbols, c.short_slots) << c.bits << " bits";
    EXPECT_EQ(m.medium_position.symbols, c.medium_slots) << c.bits << " bits";
    EXPECT_EQ(m.long_position.symbols, c.long_slots) << c.bits << " bits";
    EXPECT_EQ(m.selector.symbols, 7);
    EXPECT_EQ(m.length.symbols, 27);
    for (const QuantumModel& literal : m.literal) EXPECT_EQ(literal.symbols, 64);
  }
}

TEST(QuantumModel, StartsWithEverySymbolCountedOnceInOrder) {
  QuantumModel m;
  quantum_model_init(&m, 7);
  EXPECT_EQ(m.countdown, 4);
  EXPECT_EQ(entries_of(m), (Entries{{7, 0}, {6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}, {1, 6}, {0, 7}}));
}

TEST(QuantumModel, UpdateAddsEightToTheSymbolAndEveryEntryBeforeIt) {
  QuantumModel m;
  quantum_model_init(&m, 7);
  quantum_model_update(&m, 2);
  quantum_model_update(&m, 0);
  EXPECT_EQ(entries_of(m), (Entries{{23, 0}, {14, 1}, {13, 2}, {4, 3}, {3, 4}, {2, 5}, {1, 6}, {0, 7}}));
}

TEST(QuantumModel, FindGivesTheEntryWhoseRangeHoldsTheTarget) {
  QuantumModel m;
  quantum_model_init(&m, 7);
  quantum_model_update(&m, 2);  // 15 14 13 4 3 2 1 0: entry 2 covers [4, 13)
  const uint32_t expected[16] = {6, 5, 4, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 0, 0};
  for (uint32_t target = 0; target < 16; ++target)
    EXPECT_EQ(quantum_model_find(&m, target), expected[target]) << "target " << target;
  EXPECT_EQ(quantum_model_find(&m, 70000), 0u);  // past the total, as a corrupt stream may ask
}

TEST(QuantumModel, RescalesOnlyPast3800) {
  QuantumModel m;
  quantum_model_init(&m, 64);
  for (int i = 0; i < 467; ++i) quantum_model_update(&m, 0);
  EXPECT_EQ(m.cum[0], 3800);  // 64 + 467 * 8: not above the limit yet
  EXPECT_EQ(m.countdown, 4);
  quantum_model_update(&m, 0);
  EXPECT_EQ(m.cum[0], 3808 / 2);
  EXPECT_EQ(m.countdown, 3);
}

TEST(QuantumModel, PlainRescaleHalvesAndKeepsEachAboveItsSuccessor) {
  QuantumModel m;
  quantum_model_init(&m, 7);
  // Symbol 6 sits last, so each use adds 8 to all seven: 7 - j + 8n passes 3800 at n = 475.
  EXPECT_EQ(feed_until_rescale(m, 6), 475u);
  // Before: 3807 3806 3805 3804 3803 3802 3801. Halved from the last: 1900, 1901, then
  // 1901 -> 1902, 1902 -> 1903, 1902 -> 1904, 1903 -> 1905, 1903 -> 1906.
  EXPECT_EQ(entries_of(m),
            (Entries{{1906, 0}, {1905, 1}, {1904, 2}, {1903, 3}, {1902, 4}, {1901, 5}, {1900, 6}, {0, 7}}));
  EXPECT_EQ(m.countdown, 3);
}

TEST(QuantumModel, FourthAndEveryFiftiethRescaleReorderByFrequency) {
  QuantumModel m;
  quantum_model_init(&m, 7);
  EXPECT_EQ(feed_until_rescale(m, 6), 475u);
  EXPECT_EQ(feed_until_rescale(m, 6), 237u);
  EXPECT_EQ(feed_until_rescale(m, 6), 238u);
  EXPECT_EQ(entries_of(m).front(), (std::pair<uint16_t, uint16_t>{1907, 0}));  // still in order

  // 4th: cumulative 3803 .. 3797 become frequencies 1,1,1,1,1,1 and 1899 for symbol 6. The
  // exchange sort swaps symbol 6 with the first entry, so symbol 0 ends up last.
  EXPECT_EQ(feed_until_rescale(m, 6), 237u);
  EXPECT_EQ(entries_of(m),
            (Entries{{1905, 6}, {6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}, {1, 0}, {0, 7}}));
  EXPECT_EQ(m.countdown, 50);

  // Now symbol 0, last: rescales 5 to 53 only halve, leaving the order alone.
  EXPECT_EQ(feed_until_rescale(m, 0), 237u);
  EXPECT_EQ(entries_of(m),
            (Entries{{1900, 6}, {953, 1}, {952, 2}, {951, 3}, {950, 4}, {949, 5}, {948, 0}, {0, 7}}));
  EXPECT_EQ(m.countdown, 49);
  for (int rescale = 6; rescale <= 53; ++rescale) feed_until_rescale(m, 0);
  EXPECT_EQ(entries_of(m),
            (Entries{{1907, 6}, {1906, 1}, {1905, 2}, {1904, 3}, {1903, 4}, {1902, 5}, {1901, 0}, {0, 7}}));
  EXPECT_EQ(m.countdown, 1);

  // 54th: symbol 6 has decayed to frequency 1; symbol 0 swaps back to the front.
  feed_until_rescale(m, 0);
  EXPECT_EQ(entries_of(m),
            (Entries{{1905, 0}, {6, 1}, {5, 2}, {4, 3}, {3, 4}, {2, 5}, {1, 6}, {0, 7}}));
  EXPECT_EQ(m.countdown, 50);
}

TEST(QuantumModel, ReorderingIsAnExchangeSortNotAStableOne) {
  QuantumModel m;
  quantum_model_init(&m, 5);
  m.countdown = 1;  // the next rescale reorders
  // Differences 1, 2, 3782, 1, 16 for symbols 0..4 give frequencies 1, 1, 1891, 1, 8.
  const uint16_t cum[6] = {3802, 3801, 3799, 17, 16, 0};
  for (int i = 0; i < 6; ++i) m.cum[i] = cum[i];
  quantum_model_rescale(&m);
  // i=0 swaps with symbol 2 (1891), sending symbol 0 to entry 2; i=1 swaps symbol 1 with
  // symbol 4 (8), sending symbol 1 last. A stable sort would give 2, 4, 0, 1, 3.
  EXPECT_EQ(entries_of(m), (Entries{{1902, 2}, {11, 4}, {3, 0}, {2, 3}, {1, 1}, {0, 5}}));
  EXPECT_EQ(m.countdown, 50);
}

}  // namespace
