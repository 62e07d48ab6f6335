// The MSZIP encoder: what it writes comes back through the engine at every level, matches
// reach exactly one block back and no further, the output does not depend on how the stream
// is fed, and it is no larger than zlib's best on the same blocks.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "mszip_deflate_encoder.h"
#include "set_extractor.h"
#include "stream_encoder.h"
#include "test_data.h"
#include "zlib_mszip.h"

using namespace cabwriter;
using testcab::file;

namespace {

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Random bytes repeated once `distance` later: the repeat is the only match there is.
std::vector<uint8_t> repeat_at(uint32_t distance, uint32_t seed) {
  std::vector<uint8_t> r = testdata::random_bytes(distance, seed);
  return concat({r, r});
}

// One block whose first half is text and second half records: two codes beat one.
std::vector<uint8_t> text_then_binary() {
  return concat({testdata::text_like(16384, 16), testdata::binary_like(16384, 17)});
}

// The first bytes of this test's own program: real machine code, tables and strings.
std::vector<uint8_t> own_program(size_t size) {
  std::ifstream program("/proc/self/exe", std::ios::binary);
  std::vector<uint8_t> bytes(size);
  program.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
  bytes.resize(size_t(program.gcount()));
  return bytes;
}

struct Input {
  const char* name;
  std::vector<uint8_t> data;
};

const std::vector<Input>& inputs() {
  static const std::vector<Input> all = {
      {"empty", {}},
      {"one_byte", {0x41}},
      {"zeros", std::vector<uint8_t>(100000, 0)},
      {"text", testdata::text_like(200000, 5)},
      {"binary", testdata::binary_like(150001, 6)},
      {"random", testdata::random_bytes(70000, 7)},
      {"block_less_one", testdata::text_like(32767, 8)},
      {"block", testdata::text_like(32768, 9)},
      {"block_plus_one", testdata::text_like(32769, 10)},
      {"repeat_at_32768", repeat_at(32768, 11)},
      {"repeat_at_32769", repeat_at(32769, 12)},
      {"repeat_two_blocks_back", repeat_at(40000, 13)},
      {"text_then_noise", concat({testdata::text_like(40000, 14), testdata::random_bytes(40000, 15),
                                  testdata::text_like(40000, 14)})},
      {"text_then_binary", text_then_binary()},
  };
  return all;
}

size_t total_size(const std::vector<CompressedBlock>& blocks) {
  size_t n = 0;
  for (const CompressedBlock& b : blocks) n += b.bytes.size();
  return n;
}

uint32_t block_type(const CompressedBlock& block) { return (block.bytes.at(2) >> 1) & 3; }

class MszipLevels : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { memfs::reset(); }
};

// Each input is a folder of its own, so its blocks start where the stream does.
TEST_P(MszipLevels, EveryInputComesBackThroughTheEngine) {
  const int level = GetParam();
  std::vector<SourceFolder> folders;
  for (const Input& input : inputs()) {
    SourceFolder folder;
    folder.type_compress = METHOD_MSZIP;
    folder.encoder = [level](std::span<const uint8_t> s) { return encode_mszip(s, {level}); };
    folder.files = {file(input.name, input.data)};
    folders.push_back(folder);

    std::vector<CompressedBlock> blocks = encode_mszip(input.data, {level});
    ASSERT_EQ(blocks.size(), (input.data.size() + 32767) / 32768) << input.name;
    for (size_t i = 0; i < blocks.size(); ++i) {
      size_t n = std::min<size_t>(32768, input.data.size() - i * 32768);
      EXPECT_EQ(blocks[i].uncompressed_size, n) << input.name;
      EXPECT_LE(blocks[i].bytes.size(), n + 7) << input.name << " block " << i;
      EXPECT_EQ(blocks[i].bytes[0], 'C');
      EXPECT_EQ(blocks[i].bytes[1], 'K');
    }
  }
  auto result = memfs::extract_images({build_cabinet(folders)});
  testcab::expect_all_extracted(result, folders);
}

INSTANTIATE_TEST_SUITE_P(Levels, MszipLevels, ::testing::Values(0, 1, 5, 9));

TEST(MszipEncoder, MatchesReachOneBlockBackAndNoFurther) {
  // Repeated at exactly 32768: the whole second block is one run of matches into the first.
  auto exact = encode_mszip(repeat_at(32768, 21));
  ASSERT_EQ(exact.size(), 2u);
  EXPECT_LT(exact[1].bytes.size(), 400u);
  // One byte farther, and two blocks back: out of the decoder's reach, so nothing matches.
  for (uint32_t distance : {32769u, 40000u}) {
    auto far = encode_mszip(repeat_at(distance, 22));
    EXPECT_EQ(block_type(far[1]), 0u) << distance;
    EXPECT_EQ(far[1].bytes.size(), 32768u + 7) << distance;
  }
}

TEST(MszipEncoder, TheCheapestBlockTypeIsChosen) {
  auto text = encode_mszip(testdata::text_like(32768, 23));
  EXPECT_EQ(block_type(text[0]), 2u);  // dynamic
  EXPECT_EQ(block_type(encode_mszip(std::vector<uint8_t>{1, 2, 3})[0]), 1u);  // fixed
  auto noise = encode_mszip(testdata::random_bytes(1000, 24));
  EXPECT_EQ(block_type(noise[0]), 0u);  // stored
  EXPECT_EQ(noise[0].bytes.size(), 1000u + 7);
}

TEST(MszipEncoder, ABlockThatChangesMidwayHasTwoCodes) {
  auto blocks = encode_mszip(text_then_binary());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].bytes[2] & 1, 0) << "the first deflate block is not the last";
  EXPECT_EQ(block_type(blocks[0]), 2u);
}

TEST(MszipEncoder, NoLargerThanZlibAtItsBest) {
  for (const auto& content : {testdata::text_like(1 << 19, 25), testdata::binary_like(1 << 19, 26)}) {
    size_t ours = total_size(encode_mszip(content));
    size_t zlib = total_size(cabtest::zlib_mszip(content, 9));
    EXPECT_LE(ours, zlib) << "zlib " << zlib;
    EXPECT_LT(ours, content.size() / 2);
  }
}

// Machine code is where 3-byte matches and blocks with two codes earn their keep; without
// them the encoder is 2% larger than zlib here.
TEST(MszipEncoder, ProgramsWithinAPercentOfZlibAtItsBest) {
  const auto program = own_program(1 << 20);
  ASSERT_GT(program.size(), 1u << 19);
  size_t ours = total_size(encode_mszip(program));
  size_t zlib = total_size(cabtest::zlib_mszip(program, 9));
  EXPECT_LE(ours, zlib + zlib / 100) << "zlib " << zlib;
}

TEST(MszipEncoder, OutputDoesNotDependOnHowTheStreamIsCut) {
  auto stream = concat({testdata::text_like(100000, 27), testdata::binary_like(70001, 28),
                        testdata::random_bytes(5000, 29)});
  const auto whole = encode_mszip(stream);
  for (size_t cut : {1u, 1000u, 32767u, 32768u, 50000u}) {
    MszipDeflateEncoder encoder;
    std::vector<CompressedBlock> blocks;
    for (size_t at = 0; at < stream.size(); at += cut) {
      size_t before = blocks.size();
      encoder.feed(std::span(stream).subspan(at, std::min(cut, stream.size() - at)), blocks);
      // A block leaves as soon as its last byte is in.
      EXPECT_EQ(blocks.size(), std::min(at + cut, stream.size()) / 32768) << cut;
      EXPECT_GE(blocks.size(), before);
    }
    encoder.finish(blocks);
    ASSERT_EQ(blocks.size(), whole.size()) << cut;
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].bytes, whole[i].bytes) << "cut " << cut << " block " << i;
      EXPECT_EQ(blocks[i].uncompressed_size, whole[i].uncompressed_size);
    }
  }
  std::vector<CompressedBlock> streamed;
  auto encoder = make_stream_encoder(type_compress_of(METHOD_MSZIP));
  encoder->feed(stream, streamed);
  encoder->finish(streamed);
  ASSERT_EQ(streamed.size(), whole.size());
  for (size_t i = 0; i < whole.size(); ++i) EXPECT_EQ(streamed[i].bytes, whole[i].bytes);
}

TEST(MszipEncoder, MisuseIsRefused) {
  EXPECT_THROW(MszipDeflateEncoder({-1}), std::invalid_argument);
  EXPECT_THROW(encode_mszip(std::vector<uint8_t>{1}, {10}), std::invalid_argument);
  DeflateMatcher matcher;
  std::vector<uint8_t> short_block(100, 1);
  EXPECT_THROW(matcher.load_block({}), std::logic_error);
  matcher.load_block(short_block);
  EXPECT_THROW(matcher.load_block(short_block), std::logic_error);
}

}  // namespace
