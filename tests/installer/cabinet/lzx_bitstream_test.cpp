// Hand-built LZX streams: the decoder against bit patterns written here from the format's
// rules, not by the cabinet writer's encoder.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "installer/cabinet/lzx_format.h"
#include "lzx_stream_builder.h"
#include "lzx_test_support.h"

using namespace lzxtest;

namespace {

constexpr uint32_t MAIN_SYMBOLS_32K = 256 + 8 * 30;
const std::vector<uint8_t> ZERO_MAIN(MAIN_SYMBOLS_32K, 0);
const std::vector<uint8_t> ZERO_LENGTH(249, 0);

std::vector<uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

uint32_t match_symbol(uint32_t slot, uint32_t length) {
  uint32_t header = length - 2 < 7 ? length - 2 : 7;
  return 256 + slot * 8 + header;
}

// A verbatim block over known trees: literals A-D, matches by slot with and without extra bits,
// the repeated offsets and the length tree.
struct KnownTrees {
  Code main{lengths_of(MAIN_SYMBOLS_32K, {{'A', 3}, {'B', 3}, {'C', 3}, {'D', 3},
                                          {match_symbol(0, 14), 3}, {match_symbol(1, 4), 3},
                                          {match_symbol(4, 2), 3}, {match_symbol(5, 3), 3}})};
  Code length{lengths_of(249, {{0, 1}, {5, 1}})};

  void trees(StreamBuilder& b) const {
    put_trees_plain(b, main.lengths, ZERO_MAIN, length.lengths, ZERO_LENGTH);
  }
  void literal(StreamBuilder& b, char c) const { main.put(b, uint8_t(c)); }
  // Symbols for positions [0, 10): ABCD, (slot 5, offset 4, len 3), (slot 4, offset 3, len 2), D.
  void first_part(StreamBuilder& b) const {
    for (char c : std::string("ABCD")) literal(b, c);
    main.put(b, match_symbol(5, 3));
    b.bits(0, 1);  // slot 5: base 6, offset 6 - 2 + 0 = 4
    main.put(b, match_symbol(4, 2));
    b.bits(1, 1);  // slot 4: base 4, offset 4 - 2 + 1 = 3
    literal(b, 'D');
  }
  // Positions [10, 29): R1 (4) for 4 bytes, R0 (4) for 14 bytes through the length tree, C.
  void second_part(StreamBuilder& b) const {
    main.put(b, match_symbol(1, 4));
    main.put(b, match_symbol(0, 14));
    length.put(b, 5);  // 7 + 5 + 2 = 14
    literal(b, 'C');
  }
};

const std::string KNOWN_OUTPUT = "ABCDABCABD" "CABD" "CABDCABDCABDCA" "C";

TEST(LzxBitstream, VerbatimBlockWithKnownTrees) {
  KnownTrees t;
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 29);
  t.trees(b);
  t.first_part(b);
  t.second_part(b);
  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 29);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r.output.begin(), r.output.end()), KNOWN_OUTPUT);
}

TEST(LzxBitstream, BlockSpanningFramesRestartsTheBitsPerFrame) {
  KnownTrees t;
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 29);
  t.trees(b);
  t.first_part(b);
  std::vector<uint8_t> frame1 = b.take_frame();
  t.second_part(b);
  std::vector<uint8_t> frame2 = b.take_frame();

  auto decoder = make_decoder(15);
  FrameResult r1 = decode_frame(decoder.get(), frame1, 10);
  FrameResult r2 = decode_frame(decoder.get(), frame2, 19);
  ASSERT_EQ(r1.status, CodecStatus::Ok);
  ASSERT_EQ(r2.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r1.output.begin(), r1.output.end()) +
                std::string(r2.output.begin(), r2.output.end()),
            KNOWN_OUTPUT);
}

TEST(LzxBitstream, MatchesMayNotCrossAFrameOrBlockEnd) {
  KnownTrees t;
  {
    // The match at position 7 (length 2) would run past a frame of 8 bytes.
    StreamBuilder b;
    b.no_translation();
    b.block_header(1, 29);
    t.trees(b);
    t.first_part(b);
    auto decoder = make_decoder(15);
    FrameResult r = decode_frame(decoder.get(), b.take_frame(), 8);
    EXPECT_EQ(r.status, CodecStatus::DataError);
    EXPECT_TRUE(r.output.empty());
  }
  {
    // A block of 8 bytes whose last symbol is that same match, in a longer frame.
    StreamBuilder b;
    b.no_translation();
    b.block_header(1, 8);
    t.trees(b);
    t.first_part(b);
    auto decoder = make_decoder(15);
    FrameResult r = decode_frame(decoder.get(), b.take_frame(), 10);
    EXPECT_EQ(r.status, CodecStatus::DataError);
  }
}

// Aligned-offset block after an uncompressed one whose header sets R0-R2.
TEST(LzxBitstream, AlignedBlockUsesAlignedTreeAndRepeatsFromUncompressedHeader) {
  std::vector<uint8_t> prefix(40);
  for (uint32_t i = 0; i < 40; ++i) prefix[i] = uint8_t(i * 7 + 3);
  Code main{lengths_of(MAIN_SYMBOLS_32K, {{'x', 3}, {'y', 3}, {256, 3}, {264, 3}, {272, 3},
                                          {match_symbol(6, 4), 3}, {match_symbol(8, 3), 3},
                                          {match_symbol(10, 2), 3}})};
  Code aligned{{1, 2, 3, 4, 5, 6, 7, 7}};

  StreamBuilder b;
  b.no_translation();
  b.block_header(3, 40);
  b.uncompressed_padding();
  b.le32(5);
  b.le32(6);
  b.le32(7);
  for (uint8_t v : prefix) b.byte(v);
  b.restart_bits();
  b.block_header(2, 18);
  for (uint8_t len : aligned.lengths) b.bits(len, 3);
  // The length tree is all zero: accepted, as no match needs it.
  put_trees_plain(b, main.lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  main.put(b, 264);  // R1 = 6, length 2; R = 6 5 7
  main.put(b, 272);  // R2 = 7, length 2; R = 7 5 6
  main.put(b, match_symbol(8, 3));
  aligned.put(b, 5);  // slot 8 (3 extra bits): aligned only, offset 16 - 2 + 5 = 19
  main.put(b, match_symbol(10, 2));
  b.bits(1, 1);       // slot 10 (4 extra bits): high bit verbatim
  aligned.put(b, 2);  // offset 32 - 2 + 8 + 2 = 40
  main.put(b, match_symbol(6, 4));
  b.bits(3, 2);     // slot 6 (2 extra bits) stays verbatim: offset 8 - 2 + 3 = 9
  main.put(b, 256);  // R0 = 9, length 2
  main.put(b, 272);  // R2 = 19 (R = 9 40 19 before), length 2
  main.put(b, 'x');

  std::vector<uint8_t> expected = prefix;
  for (auto [offset, len] : std::vector<std::pair<uint32_t, uint32_t>>{
           {6, 2}, {7, 2}, {19, 3}, {40, 2}, {9, 4}, {9, 2}, {19, 2}})
    for (uint32_t i = 0; i < len; ++i) expected.push_back(expected[expected.size() - offset]);
  expected.push_back('x');

  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 58);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(r.output, expected);
}

TEST(LzxBitstream, OddUncompressedBlockIsFollowedByAPadByte) {
  StreamBuilder b;
  b.no_translation();
  b.block_header(3, 5);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (char c : std::string("hello")) b.byte(uint8_t(c));
  b.byte(0xFF);  // pad byte: skipped whatever it holds
  b.restart_bits();
  b.block_header(3, 6);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (char c : std::string(" world")) b.byte(uint8_t(c));

  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 11);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "hello world");
}

// An odd block that ends a frame leaves its pad byte to the start of the next frame, where the
// next header is read; an uncompressed block's bytes may also run on into the next frame.
TEST(LzxBitstream, UncompressedBlocksAcrossFrames) {
  StreamBuilder b;
  b.no_translation();
  b.block_header(3, 11);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (char c : std::string("abcdefghijk")) b.byte(uint8_t(c));
  std::vector<uint8_t> frame1 = b.take_frame();
  b.byte(0x00);  // the pad byte
  b.block_header(3, 20);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (char c : std::string("0123456789")) b.byte(uint8_t(c));
  std::vector<uint8_t> frame2 = b.take_frame();
  for (char c : std::string("ABCDEFGHIJ")) b.byte(uint8_t(c));
  std::vector<uint8_t> frame3 = b.take_frame();

  auto decoder = make_decoder(15);
  EXPECT_EQ(decode_frame(decoder.get(), frame1, 11).output, bytes_of("abcdefghijk"));
  EXPECT_EQ(decode_frame(decoder.get(), frame2, 10).output, bytes_of("0123456789"));
  EXPECT_EQ(decode_frame(decoder.get(), frame3, 10).output, bytes_of("ABCDEFGHIJ"));
}

// A header that ends on a word boundary is followed by a whole word of padding.
TEST(LzxBitstream, UncompressedHeaderOnAWordBoundaryGetsAWholePaddingWord) {
  Code main{lengths_of(MAIN_SYMBOLS_32K, {{'a', 1}, {'b', 1}})};
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 1);
  put_trees_plain(b, main.lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  main.put(b, 'a');
  // Grow the verbatim block with 'b's until the next header would end on a word boundary.
  uint32_t extra = 0;
  while ((b.bit_count() + extra + 27) % 16 != 0) ++extra;
  StreamBuilder s;
  s.no_translation();
  s.block_header(1, 1 + extra);
  put_trees_plain(s, main.lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  main.put(s, 'a');
  for (uint32_t i = 0; i < extra; ++i) main.put(s, 'b');
  s.block_header(3, 2);
  ASSERT_EQ(s.bit_count() % 16, 0u);
  s.uncompressed_padding();
  for (int i = 0; i < 3; ++i) s.le32(1);
  s.byte('y');
  s.byte('z');

  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), s.take_frame(), 3 + extra);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "a" + std::string(extra, 'b') + "yz");
}

// Lengths as differences from the previous block's, with the run symbols: 18 and 17 for zeros,
// 19 for a run that takes its value from the first position's previous length; runs are cut
// at the end of their range.
TEST(LzxBitstream, PretreeRunsAndDifferencesFromThePreviousBlock) {
  const Code& pre = fixed_pretree();
  Code first{lengths_of(MAIN_SYMBOLS_32K, {{'A', 2}, {'B', 2}, {'C', 3}, {'D', 3}, {'E', 3}, {'F', 3}})};
  Code second{lengths_of(MAIN_SYMBOLS_32K, {{'A', 3}, {'B', 3}, {'C', 3}, {'D', 3}, {'E', 3},
                                            {'F', 3}, {'G', 3}, {'H', 3}})};
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 6);
  put_trees_plain(b, first.lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  for (char c : std::string("FEDCBA")) first.put(b, uint8_t(c));

  b.block_header(1, 8);
  put_pretree(b);  // literals
  pre.put(b, 18);  // 51 zeros: 0..50
  b.bits(31, 5);
  pre.put(b, 17);  // 14 zeros: 51..64
  b.bits(10, 4);
  pre.put(b, 19);  // 5 positions from 'A': all 3, from A's previous 2
  b.bits(1, 1);
  pre.put(b, delta(2, 3));
  pre.put(b, 0);            // 'F' unchanged (3)
  pre.put(b, delta(0, 3));  // 'G'
  pre.put(b, delta(0, 3));  // 'H'
  for (int i = 0; i < 3; ++i) {
    pre.put(b, 18);  // 153 zeros: 73..225
    b.bits(31, 5);
  }
  pre.put(b, 18);  // 30 zeros: 226..255
  b.bits(10, 5);
  put_pretree(b);  // match symbols: all zero, the last run cut at the range end
  for (int i = 0; i < 5; ++i) {
    pre.put(b, 18);
    b.bits(31, 5);
  }
  put_lengths_plain(b, ZERO_LENGTH, ZERO_LENGTH, 0, 249);
  for (char c : std::string("HGFEDCBA")) second.put(b, uint8_t(c));

  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 14);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(std::string(r.output.begin(), r.output.end()), "FEDCBAHGFEDCBA");
}

TEST(LzxBitstream, IncompleteOrOverfullTreesAreRejected) {
  for (auto lengths : {lengths_of(MAIN_SYMBOLS_32K, {{'A', 1}}),
                       lengths_of(MAIN_SYMBOLS_32K, {{'A', 1}, {'B', 2}}),
                       lengths_of(MAIN_SYMBOLS_32K, {{'A', 1}, {'B', 1}, {'C', 1}})}) {
    StreamBuilder b;
    b.no_translation();
    b.block_header(1, 1);
    put_trees_plain(b, lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
    b.bits(0, 16);
    auto decoder = make_decoder(15);
    EXPECT_EQ(decode_frame(decoder.get(), b.take_frame(), 1).status, CodecStatus::DataError);
  }
}

TEST(LzxBitstream, AllZeroMainTreeYieldsSymbolZeroFromNoBits) {
  StreamBuilder b;
  b.no_translation();
  b.block_header(1, 5);
  put_trees_plain(b, ZERO_MAIN, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  auto decoder = make_decoder(15);
  FrameResult r = decode_frame(decoder.get(), b.take_frame(), 5);
  ASSERT_EQ(r.status, CodecStatus::Ok);
  EXPECT_EQ(r.output, std::vector<uint8_t>(5, 0));
}

TEST(LzxBitstream, BadBlockTypesShortDataAndOverrunsFail) {
  for (uint32_t type : {0u, 4u, 5u, 6u, 7u}) {
    StreamBuilder b;
    b.no_translation();
    b.block_header(type, 10);
    b.bits(0, 32);
    auto decoder = make_decoder(15);
    EXPECT_EQ(decode_frame(decoder.get(), b.take_frame(), 10).status, CodecStatus::DataError) << type;
  }
  {
    // Uncompressed block whose bytes stop short of the size.
    StreamBuilder b;
    b.no_translation();
    b.block_header(3, 10);
    b.uncompressed_padding();
    for (int i = 0; i < 3; ++i) b.le32(1);
    for (int i = 0; i < 9; ++i) b.byte('q');
    auto decoder = make_decoder(15);
    EXPECT_EQ(decode_frame(decoder.get(), b.take_frame(), 10).status, CodecStatus::DataError);
  }
  {
    // The known stream cut short: the reader runs past the data.
    KnownTrees t;
    StreamBuilder b;
    b.no_translation();
    b.block_header(1, 29);
    t.trees(b);
    t.first_part(b);
    t.second_part(b);
    std::vector<uint8_t> frame = b.take_frame();
    frame.resize(frame.size() - 10);
    auto decoder = make_decoder(15);
    EXPECT_EQ(decode_frame(decoder.get(), frame, 29).status, CodecStatus::DataError);
  }
  {
    // An empty input.
    auto decoder = make_decoder(15);
    EXPECT_EQ(decode_frame(decoder.get(), {}, 100).status, CodecStatus::DataError);
  }
}

TEST(LzxBitstream, FrameMayNotWrapInsideTheWindow) {
  // Three frames of 12000 bytes in a 32 KiB window: the third would pass the window's end.
  auto decoder = make_decoder(15);
  StreamBuilder b;
  b.no_translation();
  b.block_header(3, 36000);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (int f = 0; f < 3; ++f) {
    for (int i = 0; i < 12000; ++i) b.byte(uint8_t(i));
    FrameResult r = decode_frame(decoder.get(), b.take_frame(), 12000);
    EXPECT_EQ(r.status, f < 2 ? CodecStatus::Ok : CodecStatus::DataError) << f;
  }
}

// Matches of every reach in a 32 KiB window, against a byte-by-byte model of the window:
// overlapping and near matches, repeated offsets an uncompressed header set beyond the window
// size (taken modulo it), blocks longer than the decoder's internal stretches; then a frame
// that reads the oldest bytes just past where the previous one stopped (after a match), and
// far offsets whose source lies 3 to 16 bytes past the match, in the window's oldest bytes.
TEST(LzxBitstream, MatchesOfEveryReachAgainstAByteByByteModel) {
  constexpr uint32_t SIZE = 1u << 15;
  struct Op {
    uint32_t literal;  // or 0 for a match
    uint32_t slot, length, offset;
  };
  auto explicit_op = [](uint32_t offset, uint32_t length) {
    uint32_t slot = 3;
    while (slot + 1 < 30 && lzx::SLOTS.base[slot + 1] <= offset + 2) ++slot;
    return Op{0, slot, length, offset};
  };
  // Matches whose source is 3 to 16 bytes past them, in the window's oldest bytes, and the rest.
  const std::vector<Op> oldest = {explicit_op(SIZE - 3, 2), explicit_op(SIZE - 3, 8),
                                  explicit_op(SIZE - 9, 6), explicit_op(SIZE - 16, 8)};
  std::vector<Op> kinds = {
      {'p', 0, 1, 0}, {'q', 0, 1, 0}, {'r', 0, 1, 0},
      {0, 0, 2, 0}, {0, 0, 8, 0}, {0, 1, 5, 0}, {0, 2, 7, 0},
      explicit_op(SIZE - 17, 3), explicit_op(1, 8), explicit_op(5, 8), explicit_op(20, 8),
      explicit_op(100, 4)};
  const uint32_t safe_kinds = uint32_t(kinds.size());
  kinds.insert(kinds.end(), oldest.begin(), oldest.end());
  auto symbol_of = [](const Op& op) {
    return op.literal ? op.literal : match_symbol(op.slot, op.length);
  };
  // A complete code over the distinct symbols: lengths L - 1 and L.
  std::map<uint32_t, uint8_t> symbols;
  for (const Op& op : kinds) symbols[symbol_of(op)] = 0;
  uint32_t n = uint32_t(symbols.size()), bits_needed = 0;
  while ((1u << bits_needed) < n) ++bits_needed;
  uint32_t shorter = (1u << bits_needed) - n;
  std::vector<std::pair<uint32_t, uint8_t>> set;
  for (auto& [symbol, len] : symbols)
    set.push_back({symbol, uint8_t(set.size() < shorter ? bits_needed - 1 : bits_needed)});
  Code main{lengths_of(MAIN_SYMBOLS_32K, set)};

  std::vector<uint8_t> model(SIZE, 0);  // the decoder's window starts zeroed
  uint32_t pos = 0;
  uint32_t r[3] = {1, 1, 1};
  uint32_t seed = 99;
  // One operation into the stream, and the model following it.
  auto put_op = [&](StreamBuilder& b, const Op& op) {
    main.put(b, symbol_of(op));
    if (op.literal) {
      model[pos++] = uint8_t(op.literal);
      return;
    }
    uint32_t offset = op.offset;
    if (op.slot < 3) {
      offset = r[op.slot];
      r[op.slot] = r[0];
      r[0] = offset;
    } else {
      b.bits(offset + 2 - lzx::SLOTS.base[op.slot], lzx::SLOTS.extra[op.slot]);
      r[2] = r[1];
      r[1] = r[0];
      r[0] = offset;
    }
    for (uint32_t i = 0; i < op.length; ++i, ++pos) model[pos] = model[(pos - offset) % SIZE];
  };
  // Random operations of the first `choices` kinds until `count` bytes are written.
  auto put_ops = [&](StreamBuilder& b, uint32_t count, uint32_t choices) {
    for (const uint32_t end = pos + count; pos < end;) {
      seed = seed * 1103515245u + 12345u;
      Op op = kinds[(seed >> 16) % choices];
      put_op(b, op.length > end - pos ? kinds[0] : op);
    }
  };

  StreamBuilder b;
  b.no_translation();
  b.block_header(3, SIZE);
  b.uncompressed_padding();
  for (int i = 0; i < 3; ++i) b.le32(1);
  for (uint32_t i = 0; i < SIZE; ++i) b.byte(model[i] = uint8_t(i * 7 + (i >> 9)));
  std::vector<uint8_t> frame1 = b.take_frame();
  pos = 0;

  b.restart_bits();
  b.block_header(3, 300);
  b.uncompressed_padding();
  // Beyond the window size: 7, 256 bytes ahead (the window wrapped), and 40.
  const uint32_t repeats[3] = {SIZE + 7, 0xFFFFFF00u, 3 * SIZE + 40};
  for (uint32_t v : repeats) b.le32(v);
  for (uint32_t i = 0; i < 300; ++i) b.byte(model[pos++] = uint8_t(i ^ 0x5A));
  std::copy(repeats, repeats + 3, r);
  b.restart_bits();
  b.block_header(1, 20000);
  put_trees_plain(b, main.lengths, ZERO_MAIN, ZERO_LENGTH, ZERO_LENGTH);
  // R2 (40), then R2 again (now 7), then R1 (256 ahead).
  for (uint32_t kind : {6, 6, 5}) put_op(b, kinds[kind]);
  put_ops(b, 20000 - 19 - 8, safe_kinds);
  put_op(b, kinds[10]);  // ends the frame with 8 bytes from 20 back
  std::vector<uint8_t> frame2 = b.take_frame();
  const std::vector<uint8_t> expected2(model.begin(), model.begin() + pos);

  const uint32_t rest = SIZE - pos;
  b.block_header(1, rest);
  put_trees_plain(b, main.lengths, main.lengths, ZERO_LENGTH, ZERO_LENGTH);
  uint32_t start3 = pos;
  put_op(b, oldest[0]);  // reads 3 bytes past the previous frame's end
  put_ops(b, rest - oldest[0].length, uint32_t(kinds.size()));
  std::vector<uint8_t> frame3 = b.take_frame();

  auto decoder = make_decoder(15);
  ASSERT_EQ(decode_frame(decoder.get(), frame1, SIZE).status, CodecStatus::Ok);
  FrameResult r2 = decode_frame(decoder.get(), frame2, uint32_t(expected2.size()));
  ASSERT_EQ(r2.status, CodecStatus::Ok);
  EXPECT_TRUE(r2.output == expected2);
  FrameResult r3 = decode_frame(decoder.get(), frame3, rest);
  ASSERT_EQ(r3.status, CodecStatus::Ok);
  EXPECT_TRUE(r3.output == std::vector<uint8_t>(model.begin() + start3, model.end()));
}

}  // namespace
