// The LZX encoder's parts: length-limited complete codes, canonical codes, the bit writer, and
// what it makes of real content.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>

#include "installer/cabinet/codec.h"
#include "tests/installer/cabinet/test_data.h"
#include "tools/cabwriter/lzx_bit_writer.h"
#include "tools/cabwriter/lzx_encoder.h"
#include "tools/cabwriter/lzx_huffman_code.h"

using namespace cabwriter;

namespace {

uint64_t kraft(const std::vector<uint8_t>& lengths, uint32_t max) {
  uint64_t sum = 0;
  for (uint8_t l : lengths)
    if (l) sum += uint64_t(1) << (max - l);
  return sum;
}

TEST(LzxHuffman, CodesAreCompleteAndCapped) {
  // Fibonacci counts make the plain Huffman tree as deep as there are symbols.
  std::vector<uint32_t> fib = {1, 1};
  while (fib.size() < 30) fib.push_back(fib[fib.size() - 1] + fib[fib.size() - 2]);
  for (uint32_t cap : {16u, 15u, 7u}) {
    std::vector<uint8_t> l = huffman_lengths(fib, cap);
    EXPECT_LE(*std::max_element(l.begin(), l.end()), cap);
    EXPECT_EQ(kraft(l, 16), 1u << 16) << cap;
  }
  std::vector<uint32_t> sparse(656, 0);
  sparse[3] = 10;
  sparse[600] = 1;
  sparse[601] = 1000;
  EXPECT_EQ(kraft(huffman_lengths(sparse, 16), 16), 1u << 16);
}

// Below the cap the code is a Huffman code: its cost is the sum of the merged weights, which a
// multiset of weights gives independently of how the lengths are found.
TEST(LzxHuffman, UncappedCodesCostWhatHuffmanCosts) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint32_t> counts(2 + random() % 300);
    for (uint32_t& c : counts) c = random() % 3 == 0 ? 0 : 1 + random() % (round % 2 ? 4 : 5000);
    counts[0] = counts[1] = 3;  // at least two used, and ties
    std::multiset<uint64_t> weights;
    for (uint32_t c : counts)
      if (c) weights.insert(c);
    uint64_t huffman_cost = 0;
    while (weights.size() > 1) {
      uint64_t merged = *weights.begin() + *std::next(weights.begin());
      weights.erase(weights.begin(), std::next(weights.begin(), 2));
      weights.insert(merged);
      huffman_cost += merged;
    }
    std::vector<uint8_t> lengths = huffman_lengths(counts, 32);
    uint64_t cost = 0;
    for (size_t i = 0; i < counts.size(); ++i) cost += uint64_t(counts[i]) * lengths[i];
    ASSERT_EQ(cost, huffman_cost) << "round " << round;
  }
}

TEST(LzxHuffman, OneSymbolGetsAPartnerAndNoneGivesZeros) {
  std::vector<uint32_t> one(8, 0);
  one[5] = 7;
  auto l = huffman_lengths(one, 7);
  EXPECT_EQ(l[5], 1);
  EXPECT_EQ(kraft(l, 16), 1u << 16);
  EXPECT_EQ(huffman_lengths(std::vector<uint32_t>(8, 0), 7), std::vector<uint8_t>(8, 0));
}

TEST(LzxHuffman, CanonicalCodesShortestFirstThenBySymbol) {
  std::vector<uint32_t> codes = canonical_codes({2, 1, 3, 3, 0});
  EXPECT_EQ(codes, (std::vector<uint32_t>{0b10, 0b0, 0b110, 0b111, 0}));
}

TEST(LzxBitWriter, WordsAreLittleEndianFilledFromTheTop) {
  std::vector<uint8_t> out;
  LzxBitWriter bits(&out);
  bits.put(1, 1);
  bits.put(0x12, 15);
  bits.put(0xABC, 12);
  bits.flush();
  // 1 000000000010010 | 101010111100 0000
  EXPECT_EQ(out, (std::vector<uint8_t>{0x12, 0x80, 0xC0, 0xAB}));
  bits.align_for_bytes();  // already on a boundary: a whole word
  EXPECT_EQ(out.size(), 6u);
}

TEST(LzxEncoder, FramesAre32KiBButTheLastAndTextShrinks) {
  auto text = testdata::text_like(200000, 3);
  LzxStats stats;
  LzxOptions options;
  options.window_bits = 17;
  auto frames = encode_lzx(text, options, &stats);
  ASSERT_EQ(frames.size(), 7u);
  size_t total = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].uncompressed_size, i + 1 < frames.size() ? 32768u : 200000u - 6 * 32768u);
    total += frames[i].bytes.size();
  }
  EXPECT_LT(total, text.size() / 5);
  EXPECT_EQ(stats.frames, 7u);
}

TEST(LzxEncoder, RandomContentIsStoredInUncompressedBlocks) {
  auto noise = testdata::random_bytes(100000, 3);
  LzxStats stats;
  auto frames = encode_lzx(noise, {}, &stats);
  size_t total = 0;
  for (const auto& f : frames) total += f.bytes.size();
  EXPECT_LT(total, noise.size() + 64);
  for (const auto& block : stats.blocks) EXPECT_EQ(block.type, 3u);
}

TEST(LzxEncoder, TheHighestEffortPacksSmallerAndTheDefaultStaysAsItWas) {
  auto text = testdata::text_like(400000, 5);
  LzxOptions plain;
  plain.window_bits = 17;
  auto size_of = [](const std::vector<CompressedBlock>& frames) {
    size_t n = 0;
    for (const auto& f : frames) n += f.bytes.size();
    return n;
  };
  auto normal = encode_lzx(text, lzx_options(17, Effort::Normal));
  auto defaults = encode_lzx(text, plain);
  ASSERT_EQ(normal.size(), defaults.size());
  for (size_t i = 0; i < normal.size(); ++i) EXPECT_TRUE(normal[i].bytes == defaults[i].bytes) << i;
  EXPECT_LT(size_of(encode_lzx(text, lzx_options(17, Effort::Max))), size_of(normal) * 99 / 100);
  EXPECT_THROW(lzx_options(22, Effort::Max), std::invalid_argument);
}

TEST(LzxEncoder, OptionsOutOfRangeAreRefused) {
  auto data = testdata::text_like(100, 1);
  LzxOptions options;
  options.window_bits = 14;
  EXPECT_THROW(encode_lzx(data, options), std::invalid_argument);
  options.window_bits = 22;
  EXPECT_THROW(encode_lzx(data, options), std::invalid_argument);
  options.window_bits = 16;
  options.blocks = {{LzxBlockKind::Verbatim, 0}};
  EXPECT_THROW(encode_lzx(data, options), std::invalid_argument);
  EXPECT_THROW(default_encoder(type_compress_of(METHOD_LZX, 22)), std::invalid_argument);
  EXPECT_TRUE(encode_lzx({}, {}).empty());
}

}  // namespace
