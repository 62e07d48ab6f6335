// The LZX encoder fed in pieces: whatever the cut, the cabinet extracts byte for byte through
// the engine and the frames are those of the whole-stream encoder.
#include <gtest/gtest.h>

#include <stdexcept>

#include "builders.h"
#include "cab_set_writer.h"
#include "installer/cabinet/codec.h"
#include "lzx_encoder.h"
#include "lzx_stream_encoder.h"
#include "set_extractor.h"
#include "stream_encoder.h"
#include "test_data.h"

using namespace cabwriter;

namespace {

std::vector<CompressedBlock> fed_in_pieces(StreamEncoder& encoder, std::span<const uint8_t> stream,
                                           size_t piece) {
  std::vector<CompressedBlock> out;
  for (size_t at = 0; at < stream.size(); at += piece)
    encoder.feed(stream.subspan(at, std::min(piece, stream.size() - at)), out);
  encoder.feed({}, out);
  encoder.finish(out);
  return out;
}

// Several windows' worth of text, binary and noise, with a stretch repeated from far back.
std::vector<uint8_t> long_stream() {
  std::vector<uint8_t> out = testdata::text_like(150000, 1);
  for (const auto& part : {testdata::binary_like(120000, 2), testdata::random_bytes(40000, 3),
                           testdata::text_like(90001, 4)})
    out.insert(out.end(), part.begin(), part.end());
  const std::vector<uint8_t> far_back(out.begin() + 100000, out.begin() + 220000);
  out.insert(out.end(), far_back.begin(), far_back.end());
  return out;
}

struct Case {
  const char* name;
  uint16_t window_bits;
  uint32_t translation_size;
  std::vector<LzxBlockSpec> plan;
  std::vector<uint8_t> stream;
};

TEST(LzxStreamEncoder, EveryCutGivesTheWholeStreamFrames) {
  memfs::reset();
  const std::vector<Case> cases = {
      {"window 15", 15, 0, {}, long_stream()},
      {"window 17, translation", 17, 12000000, {}, long_stream()},
      {"window 21, mixed plan", 21, 0,
       {{LzxBlockKind::Auto, 50000}, {LzxBlockKind::Uncompressed, 30001}, {LzxBlockKind::Aligned, 7}},
       long_stream()},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t>& stream = c.stream;
    LzxOptions options;
    options.window_bits = c.window_bits;
    options.e8_translation_size = c.translation_size;
    options.blocks = c.plan;
    const std::vector<CompressedBlock> whole = encode_lzx(stream, options);
    for (size_t piece : {size_t(1), size_t(1000), size_t(32768), size_t(1) << 20}) {
      SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
      SourceFolder folder = testcab::folder(type_compress_of(METHOD_LZX, c.window_bits),
                                            {testcab::file("stream.bin", stream)});
      std::vector<CompressedBlock> frames;
      folder.encoder = [&](std::span<const uint8_t> s) {
        LzxStreamEncoder encoder(options);
        return frames = fed_in_pieces(encoder, s, piece);
      };
      testcab::expect_all_extracted(memfs::extract_images({build_cabinet({folder})}), {folder});
      ASSERT_EQ(frames.size(), whole.size());
      for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].uncompressed_size, whole[i].uncompressed_size) << i;
        EXPECT_TRUE(frames[i].bytes == whole[i].bytes) << "frame " << i;
      }
    }
  }
}

TEST(LzxStreamEncoder, TheFolderFactoryEncodesLzxInPieces) {
  const std::vector<uint8_t> stream = testdata::text_like(70000, 9);
  auto encoder = make_stream_encoder(type_compress_of(METHOD_LZX, 16));
  ASSERT_NE(dynamic_cast<LzxStreamEncoder*>(encoder.get()), nullptr);
  LzxOptions options;
  options.window_bits = 16;
  std::vector<CompressedBlock> frames = fed_in_pieces(*encoder, stream, 4096);
  std::vector<CompressedBlock> whole = encode_lzx(stream, options);
  ASSERT_EQ(frames.size(), whole.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_TRUE(frames[i].bytes == whole[i].bytes) << i;
  EXPECT_THROW(make_stream_encoder(type_compress_of(METHOD_LZX, 22)), std::invalid_argument);
}

TEST(LzxStreamEncoder, UseAfterTheEndIsRefused) {
  LzxStreamEncoder encoder({});
  std::vector<CompressedBlock> out;
  encoder.finish(out);
  EXPECT_TRUE(out.empty());
  const uint8_t byte = 1;
  EXPECT_THROW(encoder.feed({&byte, 1}, out), std::logic_error);
  EXPECT_THROW(encoder.finish(out), std::logic_error);
}

}  // namespace
