// Quantum folders written by cabwriter come back byte for byte through the engine: every
// window size, inputs far longer than the window, folders spread over a cabinet set.
#include <gtest/gtest.h>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "quantum_encoder.h"
#include "set_extractor.h"
#include "stream_encoder.h"
#include "test_data.h"

using namespace cabwriter;
using testcab::file;

namespace {

size_t compressed_size(const CabinetImage& cab) {
  size_t n = 0;
  for (const FolderImage& folder : cab.folders)
    for (const DataBlockImage& block : folder.blocks) n += block.data.size();
  return n;
}

class QuantumRoundTrip : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override { memfs::reset(); }
};

// Each folder is several times the largest windows here and dozens of times the smallest.
TEST_P(QuantumRoundTrip, EveryWindowSize) {
  uint16_t bits = GetParam();
  uint16_t type = type_compress_of(METHOD_QUANTUM, bits);
  std::vector<SourceFolder> folders(2);
  folders[0].type_compress = type;
  folders[0].files = {file("text.txt", testdata::text_like(150000, bits)),
                      file("empty.txt", {}),
                      file("random.bin", testdata::random_bytes(40000, bits)),
                      file("small.txt", testdata::text_like(7, bits))};
  folders[1].type_compress = type;
  folders[1].files = {file("binary.dat", testdata::binary_like(120001, bits)),
                      file("zeros.bin", std::vector<uint8_t>(50000, 0))};
  CabinetImage cab = build_cabinet(folders);
  auto result = memfs::extract_images({cab});
  testcab::expect_all_extracted(result, folders);
  EXPECT_LT(compressed_size(cab), (150000 + 40000 + 120001 + 50000) / 2) << "real compression";
}

INSTANTIATE_TEST_SUITE_P(WindowBits, QuantumRoundTrip, ::testing::Range<uint16_t>(10, 22));

class QuantumCabinet : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }
};

TEST_F(QuantumCabinet, LongFoldersThroughManyReorderings) {
  // About 1.5 MB: every model that sees use rescales past its 54th and 104th time.
  std::vector<uint8_t> text = testdata::text_like(900000, 11);
  std::vector<uint8_t> binary = testdata::binary_like(600000, 12);
  std::vector<uint8_t> stream = text;
  stream.insert(stream.end(), binary.begin(), binary.end());
  QuantumStats stats;
  encode_quantum(stream, {.window_bits = 18}, &stats);
  EXPECT_GE(stats.reorderings, 10u);

  std::vector<SourceFolder> folders(1);
  folders[0].type_compress = type_compress_of(METHOD_QUANTUM, 18);
  folders[0].files = {file("text.txt", text), file("binary.dat", binary)};
  testcab::expect_all_extracted(memfs::extract_images({build_cabinet(folders)}), folders);
}

TEST_F(QuantumCabinet, FoldersSplitAcrossACabinetSet) {
  std::vector<SourceFolder> folders(3);
  for (uint16_t i = 0; i < 3; ++i) folders[i].type_compress = type_compress_of(METHOD_QUANTUM, 15 + i);
  folders[0].files = {file("a.bin", testdata::random_bytes(70000, 1)),
                      file("b.txt", testdata::text_like(90000, 2))};
  folders[1].files = {file("c.dat", testdata::binary_like(110000, 3))};
  folders[2].files = {file("d.bin", testdata::random_bytes(50000, 4)),
                      file("e.txt", testdata::text_like(3000, 5))};
  SetOptions options;
  options.max_cabinet_size = 30000;
  auto set = build_set(folders, options);
  EXPECT_GE(set.size(), 5u);
  bool split_block = false;
  for (const CabinetImage& cab : set)
    for (const FolderImage& folder : cab.folders)
      for (const DataBlockImage& block : folder.blocks) split_block |= block.cb_uncomp == 0;
  EXPECT_TRUE(split_block);
  testcab::expect_all_extracted(memfs::extract_images(set), folders);
}

TEST_F(QuantumCabinet, FoldersOfOneTypeShareADecoderThatIsResetBetweenThem) {
  // The same content twice: the second folder's blocks only decode right from fresh models
  // and an empty history.
  uint16_t type = type_compress_of(METHOD_QUANTUM, 12);
  std::vector<SourceFolder> folders(3);
  for (SourceFolder& f : folders) f.type_compress = type;
  folders[0].files = {file("one.txt", testdata::text_like(70000, 7))};
  folders[1].files = {file("two.txt", testdata::text_like(70000, 7))};
  folders[2].files = {file("three.dat", testdata::binary_like(40000, 8))};
  auto result = memfs::extract_images({build_cabinet(folders)});
  testcab::expect_all_extracted(result, folders);
  EXPECT_EQ(memfs::stats().allocations - memfs::stats().frees, 0u);
}

TEST_F(QuantumCabinet, WindowBitsOutsideTheRangeFailTheFolder) {
  for (uint16_t bits : {9, 22}) {
    memfs::reset();
    std::vector<SourceFolder> folders(1);
    folders[0].type_compress = type_compress_of(METHOD_QUANTUM, bits);
    folders[0].encoder = [](std::span<const uint8_t> s) { return encode_quantum(s, {.window_bits = 21}); };
    folders[0].files = {file("a.txt", testdata::text_like(5000, 1))};
    auto result = memfs::extract_images({build_cabinet(folders)});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.code, CabError::DecoderFailed) << bits << " bits";
    EXPECT_EQ(memfs::open_handles(), 0);
  }
}

TEST_F(QuantumCabinet, ABlockCutShortFailsTheFolder) {
  std::vector<SourceFolder> folders(1);
  folders[0].type_compress = type_compress_of(METHOD_QUANTUM, 16);
  folders[0].encoder = [](std::span<const uint8_t> s) {
    auto blocks = encode_quantum(s, {.window_bits = 16});
    blocks[1].bytes.resize(blocks[1].bytes.size() / 2);
    return blocks;
  };
  folders[0].files = {file("a.txt", testdata::text_like(100000, 3))};
  auto result = memfs::extract_images({build_cabinet(folders)});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.code, CabError::DecoderFailed);
}

// The stream fed in pieces of the given sizes, in turn, the last (not 0) repeating.
std::vector<CompressedBlock> encode_in_pieces(std::span<const uint8_t> stream, uint32_t window_bits,
                                              const std::vector<size_t>& sizes) {
  std::unique_ptr<StreamEncoder> encoder = make_stream_encoder(type_compress_of(METHOD_QUANTUM, window_bits));
  std::vector<CompressedBlock> blocks;
  for (size_t at = 0, turn = 0; at < stream.size(); ++turn) {
    size_t n = std::min(sizes[std::min(turn, sizes.size() - 1)], stream.size() - at);
    encoder->feed(stream.subspan(at, n), blocks);
    at += n;
  }
  encoder->feed({}, blocks);
  encoder->finish(blocks);
  return blocks;
}

TEST_F(QuantumCabinet, AStreamFedInPiecesComesBackWhateverTheCuts) {
  // Longer than the finder's buffer for the small windows, so it slides many times; cuts on
  // both sides of a block's end and of the three bytes after it that a block waits for.
  const std::vector<uint8_t> text = testdata::text_like(260000, 4);
  const std::vector<uint8_t> binary = testdata::binary_like(140003, 5);
  std::vector<uint8_t> stream = text;
  stream.insert(stream.end(), binary.begin(), binary.end());
  struct Cut {
    const char* name;
    std::vector<size_t> sizes;
  };
  const Cut cuts[] = {{"whole", {stream.size()}},     {"bytes", {1}},
                      {"blocks", {32768}},            {"block and lookahead", {32771}},
                      {"block less one", {32767}},    {"odd", {7, 32764, 5, 1, 65539, 3}},
                      {"empty pieces between", {0, 40000, 0, 25000}}};
  for (uint32_t bits : {10u, 16u, 21u}) {
    const std::vector<CompressedBlock> whole = encode_quantum(stream, {.window_bits = bits});
    for (const Cut& cut : cuts) {
      SCOPED_TRACE(std::string(cut.name) + ", " + std::to_string(bits) + " bits");
      std::vector<CompressedBlock> pieced = encode_in_pieces(stream, bits, cut.sizes);
      ASSERT_EQ(pieced.size(), whole.size());
      for (size_t i = 0; i < whole.size(); ++i) ASSERT_TRUE(pieced[i].bytes == whole[i].bytes) << "block " << i;

      memfs::reset();
      std::vector<SourceFolder> folders(1);
      folders[0].type_compress = type_compress_of(METHOD_QUANTUM, bits);
      folders[0].encoder = [&](std::span<const uint8_t> s) {
        EXPECT_TRUE(std::equal(s.begin(), s.end(), stream.begin(), stream.end()));
        return pieced;
      };
      folders[0].files = {file("text.txt", text), file("binary.dat", binary)};
      testcab::expect_all_extracted(memfs::extract_images({build_cabinet(folders)}), folders);
    }
  }
  EXPECT_TRUE(encode_in_pieces({}, 16, {1}).empty());
}

}  // namespace
