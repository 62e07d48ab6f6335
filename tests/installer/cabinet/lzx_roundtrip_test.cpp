// LZX folders written by cabwriter come back byte for byte through the engine: every window
// size, every block kind and layout, call translation, and folders split across a set.
#include <gtest/gtest.h>

#include "builders.h"
#include "cab_set_writer.h"
#include "lzx_encoder.h"
#include "set_extractor.h"
#include "test_data.h"

using namespace cabwriter;
using testcab::file;

namespace {

SourceFolder lzx_folder(uint16_t window_bits, std::vector<SourceFile> files,
                        const LzxOptions* options = nullptr, LzxStats* stats = nullptr) {
  SourceFolder folder;
  folder.type_compress = type_compress_of(3, window_bits);
  if (options) {
    LzxOptions o = *options;
    o.window_bits = window_bits;
    folder.encoder = [o, stats](std::span<const uint8_t> stream) { return encode_lzx(stream, o, stats); };
  }
  folder.files = std::move(files);
  return folder;
}

std::vector<uint8_t> mixed_content(size_t n, uint32_t seed) {
  std::vector<uint8_t> out;
  while (out.size() < n) {
    auto part = (out.size() / 50000) % 3 == 0 ? testdata::text_like(50000, seed++)
              : (out.size() / 50000) % 3 == 1 ? testdata::binary_like(50000, seed++)
                                              : testdata::random_bytes(20000, seed++);
    out.insert(out.end(), part.begin(), part.end());
  }
  out.resize(n);
  return out;
}

class LzxWindows : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override { memfs::reset(); }
};

// Inputs longer than the window, so the window wraps and far matches reach across it.
TEST_P(LzxWindows, DefaultEncoderRoundTrip) {
  uint16_t bits = GetParam();
  size_t window = size_t(1) << bits;
  auto base = mixed_content(window / 2 + 1000, bits);
  std::vector<uint8_t> repeated = base;
  repeated.insert(repeated.end(), base.begin(), base.end());
  repeated.insert(repeated.end(), base.begin(), base.end());
  std::vector<SourceFolder> folders = {
      lzx_folder(bits, {file("long.bin", repeated), file("empty.txt", {}),
                        file("tail.txt", testdata::text_like(1234, 3))})};
  testcab::expect_all_extracted(memfs::extract_images({build_cabinet(folders)}), folders);
}

INSTANTIATE_TEST_SUITE_P(Bits, LzxWindows, ::testing::Range(uint16_t(15), uint16_t(22)));

class LzxRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }
};

TEST_F(LzxRoundTrip, EachBlockKindAndLayout) {
  auto data = mixed_content(300000, 40);
  const std::vector<std::pair<const char*, std::vector<LzxBlockSpec>>> plans = {
      {"verbatim", {{LzxBlockKind::Verbatim, 70000}}},
      {"aligned", {{LzxBlockKind::Aligned, 50000}}},
      {"uncompressed odd", {{LzxBlockKind::Uncompressed, 32767}}},
      {"uncompressed even", {{LzxBlockKind::Uncompressed, 40000}}},
      {"several per frame", {{LzxBlockKind::Verbatim, 1001}, {LzxBlockKind::Uncompressed, 333},
                             {LzxBlockKind::Aligned, 4097}, {LzxBlockKind::Uncompressed, 2},
                             {LzxBlockKind::Verbatim, 5}, {LzxBlockKind::Uncompressed, 7},
                             {LzxBlockKind::Aligned, 9000}}},
      {"spanning frames", {{LzxBlockKind::Aligned, 100001}, {LzxBlockKind::Uncompressed, 65537},
                           {LzxBlockKind::Verbatim, 99999}}},
      {"frame-sized", {{LzxBlockKind::Uncompressed, 32767}, {LzxBlockKind::Verbatim, 32769},
                       {LzxBlockKind::Uncompressed, 32768}}},
  };
  for (const auto& [name, plan] : plans) {
    memfs::reset();
    LzxOptions options;
    options.blocks = plan;
    LzxStats stats;
    std::vector<SourceFolder> folders = {lzx_folder(16, {file("a.bin", data)}, &options, &stats)};
    auto result = memfs::extract_images({build_cabinet(folders)});
    SCOPED_TRACE(name);
    testcab::expect_all_extracted(result, folders);
    ASSERT_FALSE(stats.blocks.empty());
    for (size_t i = 0; i < stats.blocks.size() && i < plan.size(); ++i)
      EXPECT_EQ(stats.blocks[i].type, uint32_t(plan[i].kind)) << i;
  }
}

TEST_F(LzxRoundTrip, AlignedBlocksCarryARealAlignedTree) {
  auto data = testdata::binary_like(200000, 8);
  LzxOptions options;
  options.block_kind = LzxBlockKind::Aligned;
  LzxStats stats;
  std::vector<SourceFolder> folders = {lzx_folder(17, {file("b.bin", data)}, &options, &stats)};
  testcab::expect_all_extracted(memfs::extract_images({build_cabinet(folders)}), folders);
  bool uneven = false;
  for (const auto& block : stats.blocks) {
    EXPECT_EQ(block.type, 2u);
    for (uint8_t len : block.aligned_lengths) uneven |= len != 3;
  }
  EXPECT_TRUE(uneven);
}

TEST_F(LzxRoundTrip, CallTranslationOnBinaryContent) {
  auto data = testdata::binary_like(400000, 6);
  for (size_t i = 0; i + 5 < data.size(); i += 97) data[i] = 0xE8;
  LzxOptions options;
  options.e8_translation_size = 12000000;
  std::vector<SourceFolder> folders = {lzx_folder(18, {file("prog.exe", data)}, &options),
                                       lzx_folder(18, {file("prog2.exe", data)}, &options)};
  testcab::expect_all_extracted(memfs::extract_images({build_cabinet(folders)}), folders);
}

TEST_F(LzxRoundTrip, FoldersSplitAcrossASet) {
  LzxOptions options;
  options.blocks = {{LzxBlockKind::Auto, 50000}, {LzxBlockKind::Uncompressed, 30001}};
  std::vector<SourceFolder> folders = {
      lzx_folder(16, {file("one.txt", testdata::text_like(150000, 1)),
                      file("two.bin", testdata::binary_like(120000, 2))}),
      lzx_folder(17, {file("three.bin", testdata::random_bytes(90000, 3)),
                      file("four.txt", testdata::text_like(60000, 4))}, &options),
      lzx_folder(15, {file("five.txt", testdata::text_like(80000, 5))})};
  SetOptions set_options;
  set_options.max_cabinet_size = 40000;
  auto set = build_set(folders, set_options);
  EXPECT_GE(set.size(), 4u);
  testcab::expect_all_extracted(memfs::extract_images(set), folders);
}

TEST_F(LzxRoundTrip, WindowBits22FailsAsNoMemory) {
  SourceFolder folder;
  folder.type_compress = type_compress_of(3, 22);
  folder.encoder = [](std::span<const uint8_t> stream) {
    LzxOptions options;
    options.window_bits = 21;
    return encode_lzx(stream, options);
  };
  folder.files = {file("x.txt", testdata::text_like(1000, 1))};
  auto result = memfs::extract_images({build_cabinet({folder})});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.code, CabError::NoMemory);
}

TEST_F(LzxRoundTrip, CorruptBlockIsDecoderFailed) {
  std::vector<SourceFolder> folders = {lzx_folder(16, {file("t.txt", testdata::text_like(100000, 1))})};
  folders[0].encoder = [](std::span<const uint8_t> stream) {
    LzxOptions options;
    options.window_bits = 16;
    auto blocks = encode_lzx(stream, options);
    blocks[1].bytes.resize(blocks[1].bytes.size() / 2);  // the second frame loses its end
    return blocks;
  };
  SetOptions options;
  options.checksums = false;
  auto result = memfs::extract_images({build_cabinet(folders, options)});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.code, CabError::DecoderFailed);
  EXPECT_EQ(memfs::open_handles(), 0);
}

}  // namespace
