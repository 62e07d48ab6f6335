// The Quantum decoder on its own: creation and its limits, a block worked out by hand, the
// failures at the input's end and at a match that overruns the block, and state across calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "installer/cabinet/quantum_decoder.h"
#include "memory_files.h"
#include "quantum_encoder.h"
#include "test_data.h"

namespace {

class QuantumDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }
  void TearDown() override {
    if (decoder_) {
      EXPECT_EQ(quantum_destroy(decoder_), CodecStatus::Ok);
    }
    // Failed allocations are counted too; everything that was handed out came back.
    memfs::Stats& s = memfs::stats();
    uint32_t failed = s.fail_allocation_at != 0 && s.allocations >= s.fail_allocation_at ? 1 : 0;
    EXPECT_EQ(s.allocations - failed, s.frees);
  }

  CodecStatus create(uint32_t window_bits, uint32_t block_size = CAB_BLOCK_SIZE) {
    QuantumConfig config{window_bits, 0};
    uint32_t capacity = 0;
    return quantum_create(&block_size, &config, memfs::alloc, memfs::free, &capacity, &decoder_);
  }

  CodecStatus decode(const std::vector<uint8_t>& input, uint32_t wanted, std::vector<uint8_t>& out) {
    out.assign(wanted, 0xEE);
    uint32_t size = wanted;
    CodecStatus status =
        quantum_decompress(decoder_, input.data(), uint32_t(input.size()), out.data(), &size);
    EXPECT_EQ(size, wanted);  // never rewritten
    return status;
  }

  QuantumDecoder* decoder_ = nullptr;
};

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// ---- creation ----

TEST_F(QuantumDecoderTest, WindowBitsOutsideTenToTwentyOneAreRefusedEvenForAQuery) {
  for (uint32_t bits : {0u, 9u, 22u, 31u}) {
    QuantumConfig config{bits, 0};
    uint32_t block_size = CAB_BLOCK_SIZE;
    uint32_t capacity = 12345;
    EXPECT_EQ(quantum_create(&block_size, &config, nullptr, nullptr, &capacity, nullptr),
              CodecStatus::BadWindow) << bits;
    EXPECT_EQ(capacity, 12345u) << "refused before anything is reported";
    EXPECT_EQ(create(bits), CodecStatus::BadWindow) << bits;
    EXPECT_EQ(decoder_, nullptr);
  }
  EXPECT_EQ(memfs::stats().allocations, 0u);
  EXPECT_EQ(create(10), CodecStatus::Ok);
  ASSERT_EQ(quantum_destroy(decoder_), CodecStatus::Ok);
  decoder_ = nullptr;
  EXPECT_EQ(create(21), CodecStatus::Ok);
}

TEST_F(QuantumDecoderTest, QueryAdjustsTheBlockSizeAndAddsTheSlackToTheCapacity) {
  QuantumConfig config{15, 0};
  struct Case {
    uint32_t asked, block, capacity;
  };
  for (Case c : {Case{0, 32768, 43008}, Case{40000, 32768, 43008}, Case{32768, 32768, 43008},
                 Case{1000, 1000, 11240}}) {
    uint32_t block_size = c.asked;
    uint32_t capacity = 0;
    EXPECT_EQ(quantum_create(&block_size, &config, nullptr, nullptr, &capacity, nullptr), CodecStatus::Ok);
    EXPECT_EQ(block_size, c.block);
    EXPECT_EQ(capacity, c.capacity);
  }
  EXPECT_EQ(memfs::stats().allocations, 0u);
}

TEST_F(QuantumDecoderTest, MakesTwoAllocationsAndLeavesNothingWhenEitherFails) {
  ASSERT_EQ(create(21), CodecStatus::Ok);
  EXPECT_EQ(memfs::stats().allocations, 2u);  // the handle and the window
  ASSERT_EQ(quantum_destroy(decoder_), CodecStatus::Ok);
  decoder_ = nullptr;
  EXPECT_EQ(memfs::stats().frees, 2u);

  for (uint32_t fail_at : {1u, 2u}) {
    memfs::reset();
    memfs::stats().fail_allocation_at = fail_at;
    EXPECT_EQ(create(21), CodecStatus::NoMemory);
    EXPECT_EQ(decoder_, nullptr);
    EXPECT_EQ(memfs::stats().allocations - 1, memfs::stats().frees) << "fail at " << fail_at;
  }
}

TEST_F(QuantumDecoderTest, ForeignHandlesAndOversizeRequestsAreRefused) {
  alignas(16) uint8_t fake[4096] = {};
  auto* foreign = reinterpret_cast<QuantumDecoder*>(fake);
  uint8_t in[4] = {0, 0, 0, 0};
  uint8_t out[16];
  uint32_t size = 1;
  EXPECT_EQ(quantum_decompress(nullptr, in, 4, out, &size), CodecStatus::BadHandle);
  EXPECT_EQ(quantum_decompress(foreign, in, 4, out, &size), CodecStatus::BadHandle);
  EXPECT_EQ(quantum_reset(foreign), CodecStatus::BadHandle);
  EXPECT_EQ(quantum_destroy(foreign), CodecStatus::BadHandle);
  EXPECT_EQ(quantum_destroy(nullptr), CodecStatus::BadHandle);

  ASSERT_EQ(create(12, 1000), CodecStatus::Ok);
  std::vector<uint8_t> big(1001);
  size = 1001;
  EXPECT_EQ(quantum_decompress(decoder_, in, 4, big.data(), &size), CodecStatus::BadSize);
}

// ---- a block worked out by hand ----
//
// Window bits 10 (20 short position slots). Tokens: 'A', 'B', a match of length 3 at offset 2,
// then 'A' three times: "ABABA" + "AAA". 'A' (0x41) is selector 1 with literal symbol 1, 'B'
// symbol 2; the match is selector 4 with short slot 1 (base 1, no extra bits: offset 2).
// The coder's interval after each symbol, as [low, high] before renormalisation:
//   selector 1  T=7  R=65536  [B6DB, DB6C]   shifts out 1, then one straddling step (pending)
//   'A' sym 1   T=64 R=37448  [E921, EB69]   settles 1 (+0 pending), 1, 1, 0, 1, 0
//   selector 1  T=15 R=37440  [7900, D0BF]   no shift
//   'B' sym 2   T=72 R=22464  [C358, C48F]   1, 1, 0, 0, 0, two straddling steps
//   selector 4  T=23 R=39936  [3990, 4058]   0 (+1, 1), three straddling steps
//   slot 1      T=20 R=27792  [7AB4, 8021]   four straddling steps: seven pending
//   selector 1  T=31 R=22240  [4FAE, 7F51]   0 (+ seven 1s), 1
//   'A'         T=80 R=48784  [E576, FAE5]   1, 1, 1
//   selector 1  T=39 R=43904  [64DA, D2C9]   no shift
//   'A'         T=88 R=28144  [BC4D, D189]   1, one straddling step
//   selector 1  T=47 R=21748  [88B3, C458]   1 (+0)
//   'A'         T=96 R=30540  [6862, 8772]   two straddling steps; low ends at 2188
// 33 shifts in all, so the decoder reads 16 + 33 = 49 bits. The end: low < 4000, so 0 and
// three 1s (the two pending and one more) pick a value in [4000, 7FFF]; zeros fill the rest.
// Bits: 1101 1010 1100 0011 0111 1111 1111 1100 1110 0000 0000 0000 0000 0000 (7 bytes).
const std::vector<uint8_t> HAND_BLOCK = {0xDA, 0xC3, 0x7F, 0xFC, 0xE0, 0x00, 0x00};

TEST_F(QuantumDecoderTest, DecodesTheHandCheckedBlock) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<uint8_t> out;
  EXPECT_EQ(decode(HAND_BLOCK, 8, out), CodecStatus::Ok);
  EXPECT_EQ(text(out), "ABABAAAA");
}

TEST_F(QuantumDecoderTest, TheEncoderWritesTheHandCheckedBlock) {
  cabwriter::QuantumTokenEncoder tokens(10);
  tokens.begin_block();
  tokens.literal('A');
  tokens.literal('B');
  tokens.match(3, 2);
  for (int i = 0; i < 3; ++i) tokens.literal('A');
  EXPECT_EQ(tokens.decoder_bits(), 49u);
  EXPECT_EQ(tokens.finish_block(), HAND_BLOCK);
}

// Raw bits, most significant first, at the point the decoder's reader has reached. Window
// bits 10. Tokens: "abcdefghij" (selector 1, literal symbols 33 to 42), a match of length 20
// at offset 10, then 'k'. The match is selector 6; length 20 - 5 = 15 is length slot 10
// (base 14, 2 extra bits: 01); offset 10 - 1 = 9 is long position slot 6 (base 8, 2 extra
// bits: 01). After the length slot the coder has shifted 82 times, so its reader stands at
// bit 16 + 82 = 98 and the two raw bits go there; after the position slot (4 more shifts) the
// reader is at 16 + 86 + 2 = 104. 113 bits in all:
//   ... 00[01]0000 [01]000000 ...   (bytes 12 and 13, raw bits bracketed)
// Read least significant first, either pair would say 2 and the match would differ.
const std::vector<uint8_t> RAW_BITS_BLOCK = {0xC8, 0x53, 0xED, 0xB8, 0x0F, 0xC0, 0x3D, 0xCC,
                                             0xAE, 0xD2, 0xEB, 0xF6, 0x10, 0x40, 0x00};

TEST_F(QuantumDecoderTest, ReadsRawExtraBitsMostSignificantFirstFromTheSameStream) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<uint8_t> out;
  EXPECT_EQ(decode(RAW_BITS_BLOCK, 31, out), CodecStatus::Ok);
  EXPECT_EQ(text(out), "abcdefghijabcdefghijabcdefghijk");

  cabwriter::QuantumTokenEncoder tokens(10);
  tokens.begin_block();
  for (char c : std::string("abcdefghij")) tokens.literal(uint8_t(c));
  tokens.match(20, 10);
  tokens.literal('k');
  EXPECT_EQ(tokens.finish_block(), RAW_BITS_BLOCK);
}

TEST_F(QuantumDecoderTest, FailsWhenTheLastRenormalisationNeedsABitPastTheInput) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  // Six bytes hold 48 of the 49 bits: the last literal decodes, but its renormalisation reads
  // one bit more than there is.
  std::vector<uint8_t> short_input(HAND_BLOCK.begin(), HAND_BLOCK.end() - 1);
  std::vector<uint8_t> out;
  EXPECT_EQ(decode(short_input, 8, out), CodecStatus::DataError);
  EXPECT_EQ(text(out), "ABABAAAA");  // every byte was produced all the same
}

TEST_F(QuantumDecoderTest, StopsAtTheWantedCountWithoutReadingFurther) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  // The fifth byte ends with the match, after 16 + 23 bits: five input bytes are enough.
  std::vector<uint8_t> out;
  EXPECT_EQ(decode({HAND_BLOCK.begin(), HAND_BLOCK.begin() + 5}, 5, out), CodecStatus::Ok);
  EXPECT_EQ(text(out), "ABABA");
}

TEST_F(QuantumDecoderTest, AMatchLongerThanTheBytesStillWantedFails) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<uint8_t> out;
  // After "AB" two bytes are wanted; the match brings three. It is refused, not cut.
  EXPECT_EQ(decode(HAND_BLOCK, 4, out), CodecStatus::DataError);
  EXPECT_EQ(text(out), std::string("AB") + "\xEE\xEE");
}

TEST_F(QuantumDecoderTest, TooShortForTheFirstSixteenBitsFails) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<uint8_t> out;
  EXPECT_EQ(decode({}, 1, out), CodecStatus::DataError);
  EXPECT_EQ(decode({0xDA}, 1, out), CodecStatus::DataError);
}

// ---- state across calls ----

std::vector<std::vector<uint8_t>> blocks_of(const std::vector<cabwriter::CompressedBlock>& blocks) {
  std::vector<std::vector<uint8_t>> out;
  for (const auto& b : blocks) out.push_back(b.bytes);
  return out;
}

TEST_F(QuantumDecoderTest, WindowAndModelsCarryOverBlocksAndResetStartsAfresh) {
  std::vector<uint8_t> data = testdata::text_like(3 * CAB_BLOCK_SIZE, 5);
  auto blocks = blocks_of(cabwriter::encode_quantum(data, {.window_bits = 16}));
  ASSERT_EQ(blocks.size(), 3u);
  ASSERT_EQ(create(16), CodecStatus::Ok);
  uint32_t allocations = memfs::stats().allocations;

  std::vector<uint8_t> all, out;
  for (const auto& block : blocks) {
    ASSERT_EQ(decode(block, CAB_BLOCK_SIZE, out), CodecStatus::Ok);
    all.insert(all.end(), out.begin(), out.end());
  }
  EXPECT_TRUE(all == data);
  EXPECT_EQ(memfs::stats().allocations, allocations) << "nothing allocated per call";

  // Freshly reset, the second block does not decode as it did after the first.
  ASSERT_EQ(quantum_reset(decoder_), CodecStatus::Ok);
  CodecStatus status = decode(blocks[1], CAB_BLOCK_SIZE, out);
  EXPECT_FALSE(status == CodecStatus::Ok &&
               std::equal(out.begin(), out.end(), data.begin() + CAB_BLOCK_SIZE));
  // A reset after a failure still starts the folder over.
  ASSERT_EQ(quantum_reset(decoder_), CodecStatus::Ok);
  ASSERT_EQ(decode(blocks[0], CAB_BLOCK_SIZE, out), CodecStatus::Ok);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));
}

// Plain LZ77 expansion, to check token streams against.
struct Token {
  uint32_t length;  // 0: literal
  uint32_t value;   // the byte or the offset
};

std::vector<uint8_t> expand(const std::vector<Token>& tokens) {
  std::vector<uint8_t> out;
  for (Token t : tokens) {
    if (t.length == 0) {
      out.push_back(uint8_t(t.value));
      continue;
    }
    for (uint32_t k = 0; k < t.length; ++k)
      out.push_back(t.value > out.size() ? 0 : out[out.size() - t.value]);
  }
  return out;
}

TEST_F(QuantumDecoderTest, MatchesReachTheWholeWindowAcrossItsWrap) {
  // A 1 KiB window, 12 KiB of output: the write position wraps many times (the first time
  // inside a match), and matches run from the window's far end, overlap themselves and
  // straddle the wrap.
  cabwriter::QuantumTokenEncoder tokens(10);
  std::vector<Token> list;
  std::vector<uint8_t> seed = testdata::random_bytes(1000, 9);
  for (uint8_t b : seed) list.push_back({0, b});
  uint32_t produced = 1000;
  uint32_t x = 1;
  while (produced < 12000) {
    x = x * 1103515245u + 12345u;
    uint32_t length = 3 + (x >> 16) % 200;
    uint32_t offset = 1 + (x >> 4) % 1024;
    if (x & 0x80000000u) offset = 1024;  // the farthest reach: the byte about to be replaced
    if ((x >> 20) % 7 == 0) offset = 1 + (x >> 24) % 3;  // runs that overlap themselves
    list.push_back({length, offset});
    produced += length;
  }
  tokens.begin_block();
  for (Token t : list) t.length ? tokens.match(t.length, t.value) : tokens.literal(uint8_t(t.value));
  std::vector<uint8_t> block = tokens.finish_block();
  std::vector<uint8_t> expected = expand(list);

  ASSERT_EQ(create(10, 32768), CodecStatus::Ok);
  std::vector<uint8_t> out;
  ASSERT_EQ(decode(block, uint32_t(expected.size()), out), CodecStatus::Ok);
  EXPECT_TRUE(out == expected);
}

void* dirty_alloc(uint32_t n) {
  void* p = memfs::alloc(n);
  if (p) std::memset(p, 0xA5, n);
  return p;
}

std::vector<uint8_t> one_block(uint32_t window_bits, const std::vector<Token>& list) {
  cabwriter::QuantumTokenEncoder tokens(window_bits);
  tokens.begin_block();
  for (Token t : list) t.length ? tokens.match(t.length, t.value) : tokens.literal(uint8_t(t.value));
  return tokens.finish_block();
}

TEST_F(QuantumDecoderTest, BeforeTheFirstFolderTheWindowReadsAsZeros) {
  // The window comes from the allocator full of 0xA5; none of it may show.
  uint32_t block_size = CAB_BLOCK_SIZE, capacity = 0;
  QuantumConfig config{12, 0};
  ASSERT_EQ(quantum_create(&block_size, &config, dirty_alloc, memfs::free, &capacity, &decoder_),
            CodecStatus::Ok);
  std::vector<uint8_t> out;
  // A match at the very start wraps round the window's end into the bytes it writes itself.
  ASSERT_EQ(decode(one_block(12, {{5, 3}, {0, 'x'}, {4, 1000}}), 10, out), CodecStatus::Ok);
  EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 0, 0, 0, 'x', 0, 0, 0, 0}));
}

TEST_F(QuantumDecoderTest, AResetKeepsTheWindowsBytes) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<Token> first;
  std::vector<uint8_t> bytes = testdata::random_bytes(1030, 4);
  for (uint8_t b : bytes) first.push_back({0, b});
  std::vector<uint8_t> out;
  ASSERT_EQ(decode(one_block(10, first), 1030, out), CodecStatus::Ok);
  ASSERT_EQ(out, bytes);
  // The window has wrapped: its last bytes are 1018..1023 of the first folder. A new folder
  // writes from the window's start again, so offset 3 at its first byte finds 1021..1023.
  ASSERT_EQ(quantum_reset(decoder_), CodecStatus::Ok);
  ASSERT_EQ(decode(one_block(10, {{3, 3}}), 3, out), CodecStatus::Ok);
  EXPECT_EQ(out, std::vector<uint8_t>(bytes.begin() + 1021, bytes.begin() + 1024));
}

TEST_F(QuantumDecoderTest, GarbageNeverReadsOrWritesOutOfBounds) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  std::vector<uint8_t> out;
  int failures = 0;
  for (uint32_t seed = 0; seed < 300; ++seed) {
    std::vector<uint8_t> input = testdata::random_bytes(seed % 97 * 13, seed);
    CodecStatus status = decode(input, 1 + seed * 109 % CAB_BLOCK_SIZE, out);
    if (status != CodecStatus::Ok) {
      ASSERT_EQ(status, CodecStatus::DataError);
      ++failures;
    }
  }
  EXPECT_GT(failures, 0);
}

// ---- the portable and the wide loop ----

struct LoopRun {
  std::vector<CodecStatus> statuses;  // one per block, up to the first failure
  std::vector<uint8_t> bytes;
};

// Decodes a folder's blocks in order with the given loop, as the engine would, stopping at
// the first failure.
LoopRun run_loop(QuantumLoop loop, uint32_t window_bits,
                 const std::vector<cabwriter::CompressedBlock>& blocks) {
  QuantumConfig config{window_bits, 0};
  uint32_t block_size = CAB_BLOCK_SIZE, capacity = 0;
  QuantumDecoder* decoder = nullptr;
  LoopRun run;
  EXPECT_EQ(quantum_create(&block_size, &config, memfs::alloc, memfs::free, &capacity, &decoder),
            CodecStatus::Ok);
  EXPECT_EQ(quantum_select_loop(decoder, loop), CodecStatus::Ok);
  std::vector<uint8_t> out(CAB_BLOCK_SIZE);
  for (const cabwriter::CompressedBlock& block : blocks) {
    uint32_t size = block.uncompressed_size;
    std::vector<uint8_t> input = block.bytes;
    input.resize(input.size() + QUANTUM_INPUT_SLACK);  // as the engine's buffer would have it
    CodecStatus status = quantum_decompress(decoder, input.data(), uint32_t(block.bytes.size()),
                                            out.data(), &size);
    run.statuses.push_back(status);
    run.bytes.insert(run.bytes.end(), out.begin(), out.begin() + size);
    if (status != CodecStatus::Ok) break;
  }
  EXPECT_EQ(quantum_destroy(decoder), CodecStatus::Ok);
  return run;
}

// The wide loop searches the models by products instead of a division: it must settle on the
// same entry in every state, a damaged stream's included, where the code may lie outside the
// coder's interval.
TEST_F(QuantumDecoderTest, PortableAndWideLoopsAgreeOnEveryStreamDamagedOrNot) {
  ASSERT_EQ(create(10), CodecStatus::Ok);
  if (quantum_select_loop(decoder_, QuantumLoop::Wide) != CodecStatus::Ok)
    GTEST_SKIP() << "this processor cannot run the wide loop";
  EXPECT_EQ(quantum_select_loop(nullptr, QuantumLoop::Portable), CodecStatus::BadHandle);

  std::vector<uint8_t> content = testdata::text_like(70000, 3);
  for (const std::vector<uint8_t>& more :
       {testdata::binary_like(90000, 4), testdata::random_bytes(20000, 5), std::vector<uint8_t>(9000, 0)})
    content.insert(content.end(), more.begin(), more.end());
  int failures = 0;
  for (uint32_t bits : {10u, 16u, 21u}) {
    auto blocks = cabwriter::encode_quantum(content, {.window_bits = bits});
    LoopRun portable = run_loop(QuantumLoop::Portable, bits, blocks);
    EXPECT_EQ(portable.bytes, content) << bits;
    EXPECT_EQ(run_loop(QuantumLoop::Wide, bits, blocks).bytes, content) << bits;
    // Damage: one byte changed, or a block cut short, at spots spread over the folder.
    for (uint32_t seed = 1; seed <= 40; ++seed) {
      auto damaged = blocks;
      cabwriter::CompressedBlock& block = damaged[seed * 7 % damaged.size()];
      size_t at = seed * 7919 % block.bytes.size();
      if (seed % 4 == 0)
        block.bytes.resize(at);
      else
        block.bytes[at] ^= uint8_t(1u << seed % 8);
      portable = run_loop(QuantumLoop::Portable, bits, damaged);
      LoopRun wide = run_loop(QuantumLoop::Wide, bits, damaged);
      EXPECT_EQ(portable.statuses, wide.statuses) << bits << " seed " << seed;
      EXPECT_TRUE(portable.bytes == wide.bytes) << bits << " seed " << seed;
      failures += portable.statuses.back() != CodecStatus::Ok;
    }
  }
  EXPECT_GT(failures, 0) << "some damage must be caught";
}

}  // namespace
