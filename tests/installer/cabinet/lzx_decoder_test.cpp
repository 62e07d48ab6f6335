// The LZX decoder's handle: creation and its failures, sizes, handles, memory, and reset.
#include <gtest/gtest.h>

#include <cstring>

#include "lzx_stream_builder.h"
#include "lzx_test_support.h"
#include "test_data.h"
#include "tools/cabwriter/lzx_encoder.h"

using namespace lzxtest;

namespace {

uint32_t fail_at = 0;  // 1-based allocation that returns null
uint32_t seen = 0;
void* failing_alloc(uint32_t size) {
  if (++seen == fail_at) return nullptr;
  return counting_alloc(size);
}

LzxDecoder* create(uint32_t window_size, AllocFn alloc = counting_alloc, CodecStatus* status = nullptr) {
  uint32_t block = 32768, capacity = 0;
  LzxConfig config{window_size};
  LzxDecoder* handle = nullptr;
  CodecStatus s = lzx_create(&block, &config, alloc, counting_free, &capacity, &handle);
  if (status) *status = s;
  return handle;
}

TEST(LzxDecoder, QueryGivesTheInputCapacityWhateverTheWindow) {
  for (uint32_t window : {0u, 1u << 15, 1u << 22, 12345u}) {
    uint32_t block = 32768, capacity = 0;
    LzxConfig config{window};
    EXPECT_EQ(lzx_create(&block, &config, nullptr, nullptr, &capacity, nullptr), CodecStatus::Ok);
    EXPECT_EQ(capacity, 32768u + 6144u);
  }
}

TEST(LzxDecoder, WindowSizesOutsideTheRangeFailAsNoMemoryAndFreeEverything) {
  counts() = {};
  for (uint32_t window : {1u << 14, 1u << 22, 3u << 15, 0u, 0x80000000u}) {
    CodecStatus status;
    EXPECT_EQ(create(window, counting_alloc, &status), nullptr);
    EXPECT_EQ(status, CodecStatus::NoMemory) << window;
  }
  EXPECT_EQ(counts().allocations, counts().frees);
  for (uint32_t bits = 15; bits <= 21; ++bits) {
    LzxDecoder* d = create(1u << bits);
    ASSERT_NE(d, nullptr) << bits;
    EXPECT_EQ(lzx_destroy(d), CodecStatus::Ok);
  }
  EXPECT_EQ(counts().allocations, counts().frees);
}

TEST(LzxDecoder, AllocationFailuresAreNoMemoryWithoutLeaks) {
  for (fail_at = 1; fail_at <= 3; ++fail_at) {
    counts() = {};
    seen = 0;
    CodecStatus status;
    EXPECT_EQ(create(1u << 16, failing_alloc, &status), nullptr);
    EXPECT_EQ(status, CodecStatus::NoMemory);
    EXPECT_EQ(counts().allocations, counts().frees);
  }
  fail_at = 0;
}

TEST(LzxDecoder, OversizeRequestIsBadSizeAndBadHandlesAreRefused) {
  LzxDecoder* d = create(1u << 15);
  uint8_t in[16] = {};
  std::vector<uint8_t> out(40000);
  uint32_t size = 32769;
  EXPECT_EQ(lzx_decompress(d, in, sizeof in, out.data(), &size), CodecStatus::BadSize);
  EXPECT_EQ(size, 0u);

  EXPECT_EQ(lzx_decompress(nullptr, in, sizeof in, out.data(), &size), CodecStatus::BadHandle);
  EXPECT_EQ(lzx_reset(nullptr), CodecStatus::BadHandle);
  EXPECT_EQ(lzx_destroy(nullptr), CodecStatus::BadHandle);
  alignas(8) uint8_t fake[64] = {};
  auto* bogus = reinterpret_cast<LzxDecoder*>(fake);
  size = 10;
  EXPECT_EQ(lzx_decompress(bogus, in, sizeof in, out.data(), &size), CodecStatus::BadHandle);
  EXPECT_EQ(lzx_reset(bogus), CodecStatus::BadHandle);
  EXPECT_EQ(lzx_destroy(bogus), CodecStatus::BadHandle);
  EXPECT_EQ(lzx_destroy(d), CodecStatus::Ok);
}

TEST(LzxDecoder, NothingIsAllocatedAfterCreate) {
  auto data = testdata::binary_like(300000, 9);
  cabwriter::LzxOptions options;
  options.window_bits = 16;
  options.e8_translation_size = 400000;
  auto frames = cabwriter::encode_lzx(data, options);
  counts() = {};
  auto decoder = make_decoder(16);
  uint32_t after_create = counts().allocations;
  EXPECT_EQ(after_create, 3u);  // handle, state, window
  for (int pass = 0; pass < 2; ++pass) {
    CodecStatus status;
    EXPECT_EQ(decode_folder(decoder.get(), frames, &status), data);
    EXPECT_EQ(status, CodecStatus::Ok);
    lzx_reset(decoder.get());
  }
  EXPECT_EQ(counts().allocations, after_create);
  decoder.reset();
  EXPECT_EQ(counts().frees, counts().allocations);
}

// After a reset the next folder starts afresh (repeated offsets 1, tree lengths 0, a new
// translation header, position 0) while the window keeps the previous folder's bytes.
TEST(LzxDecoder, FirstFrameAfterResetDecodesWithOldBytesInTheWindow) {
  auto decoder = make_decoder(15);
  auto first = testdata::text_like(70000, 5);
  cabwriter::LzxOptions options;
  options.window_bits = 15;
  options.e8_translation_size = 50000;
  CodecStatus status;
  EXPECT_EQ(decode_folder(decoder.get(), cabwriter::encode_lzx(first, options), &status), first);
  ASSERT_EQ(status, CodecStatus::Ok);
  ASSERT_EQ(lzx_reset(decoder.get()), CodecStatus::Ok);

  const uint32_t main_symbols = 256 + 8 * 30;
  Code main{lengths_of(main_symbols, {{'a', 1}, {256 + 1, 1}})};  // 'a', or R0 with length 3
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 7);
  put_trees_plain(b, main.lengths, std::vector<uint8_t>(main_symbols, 0), std::vector<uint8_t>(249, 0),
                  std::vector<uint8_t>(249, 0));
  main.put(b, 'a');
  main.put(b, 257);  // offset R0 = 1
  main.put(b, 257);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 7);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "aaaaaaa");

  // The same folder decodes the same way a second time.
  lzx_reset(decoder.get());
  EXPECT_EQ(decode_folder(decoder.get(), cabwriter::encode_lzx(first, options), &status), first);
}

TEST(LzxDecoder, FailureReportsNothingAndLeavesTheHandleUsable) {
  auto decoder = make_decoder(15);
  std::vector<uint8_t> junk = testdata::random_bytes(300, 4);
  junk[0] = 0;  // no translation header, block type 0
  FrameResult r = decode_frame(decoder.get(), junk, 1000);
  EXPECT_EQ(r.status, CodecStatus::DataError);
  EXPECT_TRUE(r.output.empty());
  lzx_reset(decoder.get());
  auto data = testdata::text_like(5000, 1);
  cabwriter::LzxOptions options;
  options.window_bits = 15;
  CodecStatus status;
  EXPECT_EQ(decode_folder(decoder.get(), cabwriter::encode_lzx(data, options), &status), data);
}

// Damaged streams of every block kind: each frame either decodes whole or fails with nothing,
// and (under the sanitizers) nothing is read or written out of bounds.
TEST(LzxDecoder, DamagedStreamsFailCleanly) {
  auto data = testdata::binary_like(70000, 3);
  auto text = testdata::text_like(30000, 4);
  data.insert(data.end(), text.begin(), text.end());
  cabwriter::LzxOptions options;
  options.window_bits = 15;
  options.e8_translation_size = 100000;
  options.blocks = {{cabwriter::LzxBlockKind::Aligned, 7001},
                    {cabwriter::LzxBlockKind::Uncompressed, 999},
                    {cabwriter::LzxBlockKind::Verbatim, 20000}};
  const auto frames = cabwriter::encode_lzx(data, options);
  auto decoder = make_decoder(15);
  uint32_t x = 12345;
  auto next = [&x] { return x = x * 1103515245u + 12345u, x >> 8; };
  uint32_t failures = 0;
  for (int round = 0; round < 200; ++round) {
    auto damaged = frames;
    auto& victim = damaged[next() % damaged.size()].bytes;
    if (round % 4 == 3) {
      victim.resize(next() % (victim.size() + 1));
    } else {
      for (int i = 0; i < 1 + round % 3; ++i) victim[next() % victim.size()] ^= uint8_t(1 + next() % 255);
    }
    lzx_reset(decoder.get());
    for (const auto& frame : damaged) {
      FrameResult r = decode_frame(decoder.get(), frame.bytes, frame.uncompressed_size);
      if (r.status != CodecStatus::Ok) {
        EXPECT_EQ(r.status, CodecStatus::DataError);
        EXPECT_TRUE(r.output.empty());
        ++failures;
        break;
      }
      EXPECT_EQ(r.output.size(), frame.uncompressed_size);
    }
  }
  EXPECT_GT(failures, 50u);
}

}  // namespace
