// The call translation as the reader performs it, on hand-built uncompressed frames, by each
// of the decoder's loops.
#include <gtest/gtest.h>

#include <random>

#include "lzx_stream_builder.h"
#include "lzx_test_support.h"
#include "tools/cabwriter/lzx_encoder.h"

using namespace lzxtest;

namespace {

constexpr uint32_t SIZE = 1000000;

void put_le32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}
uint32_t get_le32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 |
         uint32_t(v[at + 3]) << 24;
}

LzxLoop loop_under_test = LzxLoop::Portable;

// A decoder running the loop the test is instantiated for.
DecoderPtr make_loop_decoder(uint32_t window_bits) {
  DecoderPtr decoder = make_decoder(window_bits);
  EXPECT_EQ(lzx_select_loop(decoder.get(), loop_under_test), CodecStatus::Ok);
  return decoder;
}

class LzxTranslation : public ::testing::TestWithParam<LzxLoop> {
 protected:
  void SetUp() override {
    loop_under_test = GetParam();
    if (lzx_select_loop(make_decoder(15).get(), GetParam()) != CodecStatus::Ok)
      GTEST_SKIP() << "this processor has no wide loop";
  }
};

// One folder of uncompressed frames holding `frames` as stored; returns what the reader gives.
std::vector<std::vector<uint8_t>> decode_stored(const std::vector<std::vector<uint8_t>>& frames,
                                                uint32_t translation_size, bool header_bit = true) {
  uint32_t total = 0;
  for (const auto& f : frames) total += uint32_t(f.size());
  StreamBuilder b;
  if (header_bit)
    b.translation(translation_size);
  else
    b.no_translation();
  b.block_header(3, total);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  auto decoder = make_loop_decoder(15);
  std::vector<std::vector<uint8_t>> out;
  for (const auto& f : frames) {
    for (uint8_t v : f) b.byte(v);
    FrameResult r = decode_frame(decoder.get(), b.take_frame(), uint32_t(f.size()));
    EXPECT_EQ(r.status, CodecStatus::Ok);
    out.push_back(r.output);
  }
  return out;
}

TEST_P(LzxTranslation, LastTenBytesOfAFrameAreLeftAlone) {
  std::vector<uint8_t> frame(64, 0x90);
  frame[53] = 0xE8;  // index L - 11: translated
  put_le32(frame, 54, 5000);
  auto out = decode_stored({frame}, SIZE);
  EXPECT_EQ(get_le32(out[0], 54), 5000u - 53u);

  // Index L - 10: untouched. Its operand's last byte lies under the scan's sentinels, so a
  // translation size above that sentinel-polluted value is what would expose a late call.
  std::vector<uint8_t> late(64, 0x90);
  late[54] = 0xE8;
  put_le32(late, 55, 5000);
  EXPECT_EQ(decode_stored({late}, SIZE)[0], late);
  EXPECT_EQ(decode_stored({late}, 0xF0000000u)[0], late);
}

TEST_P(LzxTranslation, NegativeOperandsAndOperandsOutOfRange) {
  std::vector<uint8_t> frame(64, 0x90);
  frame[20] = 0xE8;
  put_le32(frame, 21, uint32_t(-5));  // -20 <= -5 < 0: plus the size
  frame[30] = 0xE8;
  put_le32(frame, 31, uint32_t(-31));  // below -30: untouched
  frame[40] = 0xE8;
  put_le32(frame, 41, SIZE);  // not below the size: untouched
  auto out = decode_stored({frame}, SIZE);
  EXPECT_EQ(get_le32(out[0], 21), SIZE - 5);
  EXPECT_EQ(get_le32(out[0], 31), uint32_t(-31));
  EXPECT_EQ(get_le32(out[0], 41), SIZE);
}

TEST_P(LzxTranslation, SizeZeroOrNoHeaderTranslatesNothing) {
  std::vector<uint8_t> frame(64, 0x90);
  frame[3] = 0xE8;
  put_le32(frame, 4, 100);
  EXPECT_EQ(decode_stored({frame}, 0)[0], frame);
  EXPECT_EQ(decode_stored({frame}, 0, false)[0], frame);
}

TEST_P(LzxTranslation, PositionCountsFromTheFolderStartAndTheOperandIsSkipped) {
  std::vector<uint8_t> first(64, 0x90);
  std::vector<uint8_t> second(64, 0x90);
  second[3] = 0xE8;  // folder position 67
  put_le32(second, 4, 0xE810);  // its second byte is 0xE8, but inside the operand: no call
  put_le32(second, 8, 0x00000900);
  auto out = decode_stored({first, second}, SIZE);
  EXPECT_EQ(get_le32(out[1], 4), 0xE810u - 67u);
  EXPECT_EQ(get_le32(out[1], 8), 0x00000900u);
  EXPECT_EQ(out[0], first);
}

TEST_P(LzxTranslation, ShortFramesAreNotTranslated) {
  std::vector<uint8_t> frame = {0xE8, 0x10, 0, 0, 0, 0x90};  // below 7 bytes
  EXPECT_EQ(decode_stored({frame}, SIZE)[0], frame);
}

TEST_P(LzxTranslation, StopsAfter32768Frames) {
  // 32769 frames of 12 bytes, each starting with a call whose operand is 100.
  std::vector<uint8_t> frame(12, 0x90);
  frame[0] = 0xE8;
  put_le32(frame, 1, 100);
  const uint32_t frames = 32769;
  StreamBuilder b;
  b.translation(SIZE);
  b.block_header(3, frames * 12);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  auto decoder = make_loop_decoder(19);
  for (uint32_t f = 0; f < frames; ++f) {
    for (uint8_t v : frame) b.byte(v);
    FrameResult r = decode_frame(decoder.get(), b.take_frame(), 12);
    ASSERT_EQ(r.status, CodecStatus::Ok);
    if (f == 32767) {
      EXPECT_EQ(get_le32(r.output, 1), 100u - f * 12);
    }
    if (f == 32768) {
      EXPECT_EQ(get_le32(r.output, 1), 100u);
    }
  }
}

// The writer's forward translation is undone by the reader's, for operands of every kind.
TEST_P(LzxTranslation, WriterTranslationIsTheInverse) {
  std::vector<uint8_t> frame(200, 0x90);
  const uint32_t operands[] = {0, 5, 120, SIZE - 1, SIZE, uint32_t(-1), uint32_t(-100),
                               uint32_t(-1000), 0x7FFFFFFF, 0x80000000};
  size_t at = 0;
  for (uint32_t v : operands) {
    frame[at] = 0xE8;
    put_le32(frame, at + 1, v);
    at += 7;
  }
  frame[at] = 0xE8;  // an operand that is itself a run of 0xE8 bytes
  put_le32(frame, at + 1, 0xE8E8E8E8);
  std::vector<uint8_t> stored = frame;
  cabwriter::lzx_e8_encode_frame(stored.data(), 200, 32768, SIZE);
  EXPECT_NE(stored, frame);
  // Decoded at the same folder position: the second frame of a folder.
  auto out = decode_stored({std::vector<uint8_t>(32768, 0x90), stored}, SIZE);
  EXPECT_EQ(out[1], frame);
}

// The rule stated byte by byte, against which the loops' chunked scans are checked.
std::vector<uint8_t> translated_by_rule(std::vector<uint8_t> frame, uint32_t position,
                                        uint32_t translation_size) {
  for (size_t at = 0; at + 10 < frame.size(); ++at) {
    if (frame[at] != 0xE8) continue;
    const int64_t value = int32_t(get_le32(frame, at + 1));
    const int64_t folder_at = position + at;
    if (value >= 0 && value < int64_t(translation_size)) {
      put_le32(frame, at + 1, uint32_t(value - folder_at));
    } else if (value < 0 && value >= -folder_at) {
      put_le32(frame, at + 1, uint32_t(value + translation_size));
    }
    at += 4;
  }
  return frame;
}

// Dense calls in every phase against the scans' chunks, operands in and out of range, frames
// of every length around the chunk sizes and a whole one.
TEST_P(LzxTranslation, AgreesWithTheRuleOnDenseCalls) {
  std::mt19937 random(7);
  const uint32_t lengths[] = {11, 12, 31, 41, 42, 43, 63, 64, 65, 97, 300, 31000};
  std::vector<std::vector<uint8_t>> frames;
  for (uint32_t length : lengths) {
    std::vector<uint8_t> frame(length);
    for (auto& byte : frame) {
      const uint32_t pick = random() % 8;
      byte = pick < 3 ? 0xE8 : pick < 5 ? 0 : pick == 5 ? 0xFF : uint8_t(random());
    }
    frames.push_back(frame);
  }
  const auto out = decode_stored(frames, 3000);
  uint32_t position = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(out[i], translated_by_rule(frames[i], position, 3000)) << "frame of " << lengths[i];
    position += uint32_t(frames[i].size());
  }
}

INSTANTIATE_TEST_SUITE_P(Loops, LzxTranslation,
                         ::testing::Values(LzxLoop::Portable, LzxLoop::Wide),
                         [](const auto& info) {
                           return info.param == LzxLoop::Wide ? "Wide" : "Portable";
                         });

}  // namespace
