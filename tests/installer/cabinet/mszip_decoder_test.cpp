// The MSZIP decoder on hand-assembled blocks: its limits, its history and its failures.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "deflate_bits.h"
#include "installer/cabinet/mszip_decoder.h"
#include "test_data.h"

using testcab::DeflateBits;

namespace {

void* test_alloc(uint32_t n) { return std::malloc(n); }
void test_free(void* p) { std::free(p); }

class MszipDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uint32_t block_size = 32768, capacity = 0;
    ASSERT_EQ(mszip_create(&block_size, test_alloc, test_free, &capacity, &decoder_), CodecStatus::Ok);
    EXPECT_EQ(capacity, 32768u + 12);
    output_.assign(32768, 0xEE);
  }
  void TearDown() override {
    if (decoder_) {
      EXPECT_EQ(mszip_destroy(decoder_), CodecStatus::Ok);
    }
  }

  CodecStatus decode(const std::vector<uint8_t>& block, uint32_t wanted = 32768) {
    produced_ = wanted;
    return mszip_decompress(decoder_, block.data(), uint32_t(block.size()), output_.data(), &produced_);
  }

  MszipDecoder* decoder_ = nullptr;
  std::vector<uint8_t> output_;
  uint32_t produced_ = 0;
};

std::vector<uint8_t> stored_block(const std::vector<uint8_t>& data, bool final = true) {
  DeflateBits b;
  b.bits(final ? 1 : 0, 1).bits(0, 2).align();
  uint16_t len = uint16_t(data.size());
  b.byte(uint8_t(len)).byte(uint8_t(len >> 8)).byte(uint8_t(~len)).byte(uint8_t(~len >> 8));
  std::vector<uint8_t> out = b.done();
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST_F(MszipDecoderTest, QueryAndSizes) {
  uint32_t block_size = 0, capacity = 0;
  EXPECT_EQ(mszip_create(&block_size, nullptr, nullptr, &capacity, nullptr), CodecStatus::Ok);
  EXPECT_EQ(block_size, 32768u);
  EXPECT_EQ(capacity, 32780u);
  block_size = 40000;
  mszip_create(&block_size, nullptr, nullptr, &capacity, nullptr);
  EXPECT_EQ(block_size, 32768u);
  block_size = 4096;
  mszip_create(&block_size, nullptr, nullptr, &capacity, nullptr);
  EXPECT_EQ(capacity, 4096u + 12);
}

TEST_F(MszipDecoderTest, StoredBlockCopiesItsBytes) {
  std::vector<uint8_t> data = testdata::random_bytes(1000, 1);
  ASSERT_EQ(decode(stored_block(data)), CodecStatus::Ok);
  ASSERT_EQ(produced_, 1000u);
  EXPECT_EQ(0, std::memcmp(output_.data(), data.data(), 1000));
}

TEST_F(MszipDecoderTest, MissingSignatureAndBadHandles) {
  std::vector<uint8_t> block = stored_block({1, 2, 3});
  block[1] = 'J';
  EXPECT_EQ(decode(block), CodecStatus::DataError);
  EXPECT_EQ(decode({'C'}), CodecStatus::DataError);
  std::vector<uint8_t> huge(32768 + 13, 0);
  huge[0] = 'C';
  huge[1] = 'K';
  EXPECT_EQ(decode(huge), CodecStatus::BadSize);
  EXPECT_EQ(mszip_reset(decoder_), CodecStatus::Ok);
  EXPECT_EQ(mszip_reset(nullptr), CodecStatus::BadHandle);
  uint32_t magic_copy;
  std::memcpy(&magic_copy, decoder_, 4);
  EXPECT_EQ(magic_copy, 0x4349444Du);
}

TEST_F(MszipDecoderTest, DestroyedHandleIsRefused) {
  MszipDecoder* second = nullptr;
  uint32_t block_size = 32768, capacity = 0;
  ASSERT_EQ(mszip_create(&block_size, test_alloc, test_free, &capacity, &second), CodecStatus::Ok);
  // Keep the memory alive to look at it after destroy: destroy frees through our allocator.
  EXPECT_EQ(mszip_destroy(second), CodecStatus::Ok);
  EXPECT_EQ(mszip_destroy(nullptr), CodecStatus::BadHandle);
}

TEST_F(MszipDecoderTest, StoredLengthsMustBeSound) {
  std::vector<uint8_t> block = stored_block({1, 2, 3});
  block[5] ^= 1;  // complement no longer matches
  EXPECT_EQ(decode(block), CodecStatus::DataError);
  // Longer than the input: refused before a byte is copied.
  block = stored_block(std::vector<uint8_t>(100, 7));
  block.resize(block.size() - 1);
  EXPECT_EQ(decode(block), CodecStatus::DataError);
  EXPECT_EQ(output_[0], 0xEE);
}

TEST_F(MszipDecoderTest, MatchReachesThePreviousBlock) {
  std::vector<uint8_t> previous = testdata::random_bytes(32768, 5);
  ASSERT_EQ(decode(stored_block(previous)), CodecStatus::Ok);
  ASSERT_EQ(produced_, 32768u);
  output_.assign(32768, 0xEE);  // the history is the decoder's own, not the caller's buffer
  // Length 3 from distance 32768: distance code 29, base 24577, extra 8191.
  DeflateBits b;
  b.bits(1, 1).bits(1, 2).fixed(257).fixed_distance(29).bits(8191, 13);
  b.fixed('x').fixed(256);
  ASSERT_EQ(decode(b.done()), CodecStatus::Ok);
  ASSERT_EQ(produced_, 4u);
  EXPECT_EQ(output_[0], previous[0]);
  EXPECT_EQ(output_[1], previous[1]);
  EXPECT_EQ(output_[2], previous[2]);
  EXPECT_EQ(output_[3], 'x');
}

TEST_F(MszipDecoderTest, MatchWrapsFromTheTailToTheNewBytes) {
  std::vector<uint8_t> previous = testdata::random_bytes(32768, 6);
  ASSERT_EQ(decode(stored_block(previous)), CodecStatus::Ok);
  // Two literals, then length 10 at distance 4: two bytes from the tail, then the new ones.
  DeflateBits b;
  b.bits(1, 1).bits(1, 2).fixed('a').fixed('b').fixed(264).fixed_distance(3).fixed(256);
  ASSERT_EQ(decode(b.done()), CodecStatus::Ok);
  ASSERT_EQ(produced_, 12u);
  const uint8_t expected[12] = {'a', 'b', previous[32766], previous[32767], 'a', 'b',
                                previous[32766], previous[32767], 'a', 'b', previous[32766],
                                previous[32767]};
  EXPECT_EQ(0, std::memcmp(output_.data(), expected, 12));
}

TEST_F(MszipDecoderTest, DecodingStopsAtTheWantedCount) {
  DeflateBits b;
  b.bits(1, 1).bits(1, 2);
  for (int i = 0; i < 50; ++i) b.fixed('a' + i % 26);
  b.fixed(256);
  ASSERT_EQ(decode(b.done(), 20), CodecStatus::Ok);
  EXPECT_EQ(produced_, 20u);
  EXPECT_EQ(output_[20], 0xEE);
  // Inside a match, too; and with nothing wanted the call produces nothing at all.
  DeflateBits m;
  m.bits(1, 1).bits(1, 2).fixed('z').fixed(284).bits(31, 5).fixed_distance(0).fixed(256);
  ASSERT_EQ(decode(m.done(), 100), CodecStatus::Ok);
  EXPECT_EQ(produced_, 100u);
  EXPECT_EQ(output_[99], 'z');
  EXPECT_EQ(decode(m.done(), 0), CodecStatus::Ok);
  EXPECT_EQ(produced_, 0u);
}

// A literal then whole matches in the block's last stretch, wherever the fast path hands over to
// the careful one: output stops at the wanted count, never a byte past it.
TEST_F(MszipDecoderTest, LongMatchesNearTheEndStopAtTheWantedCount) {
  for (uint32_t start : {32490u, 32508u, 32509u, 32510u, 32511u}) {
    DeflateBits b;
    b.bits(0, 1).bits(0, 2).align();
    const uint16_t len = uint16_t(start);
    b.byte(uint8_t(len)).byte(uint8_t(len >> 8)).byte(uint8_t(~len)).byte(uint8_t(~len >> 8));
    for (uint32_t i = 0; i < start; ++i) b.byte(uint8_t(i));
    b.bits(1, 1).bits(1, 2).fixed('a').fixed(285).fixed_distance(0).fixed(285).fixed_distance(0);
    b.fixed(256);
    for (int i = 0; i < 32; ++i) b.byte(0);  // input enough for the fast path's wide reads
    ASSERT_EQ(decode(b.done()), CodecStatus::Ok) << start;
    ASSERT_EQ(produced_, 32768u) << start;
    EXPECT_EQ(output_[start - 1], uint8_t(start - 1)) << start;
    EXPECT_EQ(output_[start], 'a') << start;
    EXPECT_EQ(output_[32767], 'a') << start;
  }
}

TEST_F(MszipDecoderTest, InvalidFixedCodes) {
  DeflateBits reserved_type;
  reserved_type.bits(1, 1).bits(3, 2);
  EXPECT_EQ(decode(reserved_type.done()), CodecStatus::DataError);
  DeflateBits length_286;
  length_286.bits(1, 1).bits(1, 2).fixed('a').fixed(286).fixed_distance(0).fixed(256);
  EXPECT_EQ(decode(length_286.done()), CodecStatus::DataError);
  DeflateBits distance_30;
  distance_30.bits(1, 1).bits(1, 2).fixed('a').fixed(257).fixed_distance(30).fixed(256);
  EXPECT_EQ(decode(distance_30.done()), CodecStatus::DataError);
}

// The start of a dynamic block with the given alphabet sizes.
DeflateBits dynamic_header(uint32_t hlit, uint32_t hdist) {
  DeflateBits b;
  b.bits(1, 1).bits(2, 2).bits(hlit - 257, 5).bits(hdist - 1, 5).bits(19 - 4, 4);
  return b;
}

TEST_F(MszipDecoderTest, DynamicCountsBeyondTheAlphabetsFail) {
  EXPECT_EQ(decode(dynamic_header(287, 1).done()), CodecStatus::DataError);
  EXPECT_EQ(decode(dynamic_header(257, 31).done()), CodecStatus::DataError);
  EXPECT_EQ(decode(dynamic_header(288, 32).done()), CodecStatus::DataError);
}

TEST_F(MszipDecoderTest, CodeLengthCodeWithoutCodesFails) {
  DeflateBits b = dynamic_header(257, 1);
  for (int i = 0; i < 19; ++i) b.bits(0, 3);
  b.bits(0, 32);
  EXPECT_EQ(decode(b.done()), CodecStatus::DataError);
}

// A dynamic block whose code-length code has the four symbols 0..3 (two bits each), so the
// given code lengths (0 to 3) are written directly; `body` writes the coded data.
std::vector<uint8_t> dynamic_block(const std::vector<uint8_t>& lengths, uint32_t hlit, uint32_t hdist,
                                   const std::function<void(DeflateBits&)>& body) {
  DeflateBits b;
  b.bits(1, 1).bits(2, 2).bits(hlit - 257, 5).bits(hdist - 1, 5).bits(19 - 4, 4);
  // Order: 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1 15
  const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  uint8_t cl[19] = {0};
  cl[0] = 2;  // zero lengths
  cl[1] = 2;
  cl[2] = 2;
  cl[3] = 2;
  for (int i = 0; i < 19; ++i) b.bits(cl[order[i]], 3);
  // Canonical codes of the code-length code: symbols 0,1,2,3 -> 00,01,10,11.
  for (uint8_t len : lengths) b.code(len, 2);
  body(b);
  return b.done();
}

TEST_F(MszipDecoderTest, DynamicCodesMustBeComplete) {
  // Literal/length: 'a' 1 bit, 'b' and end of block 2 bits each: a complete code.
  auto lengths_for = [](uint8_t a, uint8_t b, uint8_t end, uint8_t dist) {
    std::vector<uint8_t> l(258, 0);
    l['a'] = a;
    l['b'] = b;
    l[256] = end;
    l[257] = dist;
    return l;
  };
  auto body = [](DeflateBits& b) { b.code(0, 1).code(2, 2).code(0, 1).code(3, 2); };  // a b a END
  ASSERT_EQ(decode(dynamic_block(lengths_for(1, 2, 2, 1), 257, 1, body)), CodecStatus::Ok);
  ASSERT_EQ(produced_, 3u);
  EXPECT_EQ(std::string(output_.begin(), output_.begin() + 3), "aba");
  // Incomplete literal/length code (one code of length 2 missing): refused.
  EXPECT_EQ(decode(dynamic_block(lengths_for(1, 2, 0, 1), 257, 1, body)), CodecStatus::DataError);
  // A distance code made of one code of length 1 is accepted (and unused here).
  ASSERT_EQ(decode(dynamic_block(lengths_for(1, 2, 2, 1), 257, 1, body)), CodecStatus::Ok);
  // A single distance code of length 2 is incomplete: refused.
  EXPECT_EQ(decode(dynamic_block(lengths_for(1, 2, 2, 2), 257, 1, body)), CodecStatus::DataError);
  // Over-subscribed: three codes of length 1.
  EXPECT_EQ(decode(dynamic_block(lengths_for(1, 1, 1, 1), 257, 1, body)), CodecStatus::DataError);
}

TEST_F(MszipDecoderTest, EmptyDistanceCodeFailsAtTheFirstMatch) {
  std::vector<uint8_t> l(259, 0);  // 258 literal/length codes, one distance code of length 0
  l['a'] = 1;
  l[256] = 2;
  l[257] = 2;  // length symbol 257 (match length 3)
  auto literal_only = [](DeflateBits& b) { b.code(0, 1).code(2, 2); };  // a END
  ASSERT_EQ(decode(dynamic_block(l, 258, 1, literal_only)), CodecStatus::Ok);
  EXPECT_EQ(produced_, 1u);
  auto with_match = [](DeflateBits& b) { b.code(0, 1).code(3, 2).code(2, 2); };
  EXPECT_EQ(decode(dynamic_block(l, 258, 1, with_match)), CodecStatus::DataError);
}

TEST_F(MszipDecoderTest, InputEndingEarlyReadsAsZeroBits) {
  // The fixed code of 256 is seven zero bits: a block cut before its end-of-block code ends.
  DeflateBits b;
  b.bits(1, 1).bits(1, 2).fixed('q');
  ASSERT_EQ(decode(b.done()), CodecStatus::Ok);
  EXPECT_EQ(produced_, 1u);
  EXPECT_EQ(output_[0], 'q');
}

TEST_F(MszipDecoderTest, AgreesWithZlibOnEveryLevelAndStrategy) {
  // skewed_bytes gives literal codes longer than the decoder's first table level.
  std::vector<uint8_t> sources[4] = {testdata::text_like(32768, 9), testdata::binary_like(32768, 9),
                                     testdata::random_bytes(32768, 9), testdata::skewed_bytes(32768, 9)};
  for (const auto& source : sources) {
    for (int level = 0; level <= 9; ++level) {
      for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
        z_stream z{};
        ASSERT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
        std::vector<uint8_t> out(40000);
        out[0] = 'C';
        out[1] = 'K';
        z.next_in = const_cast<Bytef*>(source.data());
        z.avail_in = uInt(source.size());
        z.next_out = out.data() + 2;
        z.avail_out = uInt(out.size() - 2);
        ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(out.size() - z.avail_out);
        deflateEnd(&z);
        if (out.size() > 32780) continue;
        ASSERT_EQ(decode(out), CodecStatus::Ok) << "level " << level << " strategy " << strategy;
        ASSERT_EQ(produced_, 32768u);
        EXPECT_EQ(0, std::memcmp(output_.data(), source.data(), 32768));
      }
    }
  }
}

}  // namespace
