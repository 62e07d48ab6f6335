// The Quantum encoder against the decoder: arbitrary token streams, the block termination,
// block boundaries, the reach of each match kind and of the window, the slots, and what it
// makes of ordinary content.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "folder_encoder.h"
#include "installer/cabinet/quantum_decoder.h"
#include "quantum_encoder.h"
#include "tests/installer/cabinet/test_data.h"

using namespace cabwriter;

namespace {

void* plain_alloc(uint32_t n) { return ::operator new(n); }
void plain_free(void* p) { ::operator delete(p); }

// A decoder for one folder, fed block by block.
class FolderDecoder {
 public:
  explicit FolderDecoder(uint32_t window_bits) {
    uint32_t block_size = CAB_BLOCK_SIZE;
    uint32_t capacity = 0;
    QuantumConfig config{window_bits, 0};
    EXPECT_EQ(quantum_create(&block_size, &config, plain_alloc, plain_free, &capacity, &d_),
              CodecStatus::Ok);
  }
  ~FolderDecoder() { quantum_destroy(d_); }

  CodecStatus block(const std::vector<uint8_t>& in, uint32_t wanted, std::vector<uint8_t>& out) {
    size_t at = out.size();
    out.resize(at + wanted);
    return quantum_decompress(d_, in.data(), uint32_t(in.size()), out.data() + at, &wanted);
  }

 private:
  QuantumDecoder* d_ = nullptr;
};

struct Token {
  uint32_t length;  // 0: literal
  uint32_t value;   // the byte or the offset
};

void expand(Token t, std::vector<uint8_t>& out) {
  if (t.length == 0) {
    out.push_back(uint8_t(t.value));
    return;
  }
  for (uint32_t k = 0; k < t.length; ++k) out.push_back(t.value > out.size() ? 0 : out[out.size() - t.value]);
}

uint32_t next_random(uint32_t& x) {
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return x;
}

// Any token the format can carry, skewed so that every model adapts, rescales and reorders.
Token random_token(uint32_t& x, const QuantumTokenEncoder& enc, uint32_t room) {
  uint32_t r = next_random(x);
  uint32_t kind = r % 8;
  if (kind < 4 || room < 3) return {0, (r >> 8) % (kind == 0 ? 256 : 24)};
  uint32_t length = kind == 4 ? 3 : kind == 5 ? 4 : 5 + (next_random(x) >> 3) % 255;
  if (length > room) length = room >= 5 ? room : 3;
  uint32_t reach = enc.max_offset(length);
  uint32_t far = next_random(x);
  // Offsets spread over every slot: a random bit length, then a random value of that length.
  uint32_t bits = 1 + (far >> 27) % 22;
  uint32_t offset = 1 + (next_random(x) & ((1u << bits) - 1)) % reach;
  return {length, offset};
}

TEST(QuantumEncoder, ArbitraryTokenStreamsDecodeExactly) {
  for (uint32_t bits : {10u, 14u, 17u, 21u}) {
    QuantumTokenEncoder enc(bits);
    FolderDecoder dec(bits);
    uint32_t x = 0x1234567u + bits;
    std::vector<uint8_t> expected, decoded;
    for (int block = 0; block < 12; ++block) {
      // Short blocks too, so block ends fall at every point of the coder's state.
      uint32_t size = block % 3 == 2 ? 1 + next_random(x) % 700 : CAB_BLOCK_SIZE;
      enc.begin_block();
      uint32_t start = uint32_t(expected.size());
      while (expected.size() - start < size) {
        Token t = random_token(x, enc, uint32_t(size - (expected.size() - start)));
        t.length ? enc.match(t.length, t.value) : enc.literal(uint8_t(t.value));
        expand(t, expected);
      }
      std::vector<uint8_t> bytes = enc.finish_block();
      ASSERT_EQ(dec.block(bytes, size, decoded), CodecStatus::Ok) << bits << " bits, block " << block;
    }
    EXPECT_TRUE(decoded == expected) << bits << " bits";
    EXPECT_GT(enc.straddles(), 1000u);
    EXPECT_GT(enc.stats().reorderings, 3u);
  }
}

TEST(QuantumEncoder, BlockEndGivesTheDecoderJustEnoughBits) {
  uint32_t x = 99;
  int one_bit_over = 0;
  for (int trial = 0; trial < 400; ++trial) {
    QuantumTokenEncoder enc(12);
    enc.begin_block();
    std::vector<uint8_t> expected;
    uint32_t tokens = 1 + trial % 40;
    for (uint32_t i = 0; i < tokens; ++i) {
      Token t = random_token(x, enc, 300);
      t.length ? enc.match(t.length, t.value) : enc.literal(uint8_t(t.value));
      expand(t, expected);
    }
    uint64_t needed = enc.decoder_bits();
    std::vector<uint8_t> bytes = enc.finish_block();
    ASSERT_EQ(bytes.size(), (needed + 7) / 8) << "no byte more than the decoder reads";
    one_bit_over += needed % 8 == 1;

    std::vector<uint8_t> out;
    FolderDecoder whole(12);
    ASSERT_EQ(whole.block(bytes, uint32_t(expected.size()), out), CodecStatus::Ok) << trial;
    EXPECT_TRUE(out == expected) << trial;
    // One byte less is always too little.
    bytes.pop_back();
    out.clear();
    FolderDecoder cut(12);
    EXPECT_EQ(cut.block(bytes, uint32_t(expected.size()), out), CodecStatus::DataError) << trial;
  }
  EXPECT_GT(one_bit_over, 10);  // blocks whose last byte carries a single needed bit
}

TEST(QuantumEncoder, MatchesBeyondTheirReachAreRefused) {
  QuantumTokenEncoder wide(21);
  EXPECT_EQ(wide.max_offset(3), 4096u);
  EXPECT_EQ(wide.max_offset(4), 262144u);
  EXPECT_EQ(wide.max_offset(5), 1u << 21);
  EXPECT_EQ(wide.max_offset(259), 1u << 21);
  EXPECT_EQ(wide.max_offset(2), 0u);
  EXPECT_EQ(wide.max_offset(260), 0u);
  wide.begin_block();
  EXPECT_THROW(wide.match(3, 4097), std::invalid_argument);
  EXPECT_THROW(wide.match(4, 262145), std::invalid_argument);
  EXPECT_THROW(wide.match(5, (1u << 21) + 1), std::invalid_argument);
  EXPECT_THROW(wide.match(260, 1), std::invalid_argument);
  EXPECT_THROW(wide.match(5, 0), std::invalid_argument);
  EXPECT_NO_THROW(wide.match(3, 4096));
  EXPECT_NO_THROW(wide.match(259, 1u << 21));

  QuantumTokenEncoder narrow(10);
  EXPECT_EQ(narrow.max_offset(3), 1024u);
  EXPECT_EQ(narrow.max_offset(4), 1024u);
  EXPECT_EQ(narrow.position_slot(1024), 19u);  // the last of its 20 slots

  EXPECT_THROW(QuantumTokenEncoder(9), std::invalid_argument);
  EXPECT_THROW(QuantumTokenEncoder(22), std::invalid_argument);
  EXPECT_THROW(default_encoder(type_compress_of(2, 22)), std::invalid_argument);
  EXPECT_THROW(default_encoder(type_compress_of(2, 9)), std::invalid_argument);
}

TEST(QuantumEncoder, BlocksAreWholeAndNoMatchCrossesTheirEnd) {
  // Runs of one byte make matches as long as they may be, right up to every block's end.
  for (size_t size : {size_t(1), size_t(32767), size_t(32768), size_t(32769), size_t(200003)}) {
    std::vector<uint8_t> data(size, 'z');
    for (size_t i = 0; i < size; i += 4093) data[i] = uint8_t(i);
    auto blocks = encode_quantum(data, {.window_bits = 15});
    ASSERT_EQ(blocks.size(), (size + CAB_BLOCK_SIZE - 1) / CAB_BLOCK_SIZE);
    FolderDecoder dec(15);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < blocks.size(); ++i) {
      uint32_t expected = i + 1 < blocks.size() ? CAB_BLOCK_SIZE : uint32_t(size - i * CAB_BLOCK_SIZE);
      ASSERT_EQ(blocks[i].uncompressed_size, expected);
      ASSERT_EQ(dec.block(blocks[i].bytes, expected, out), CodecStatus::Ok) << size << " block " << i;
    }
    EXPECT_TRUE(out == data) << size;
  }
  EXPECT_TRUE(encode_quantum({}).empty());
}

size_t total_bytes(const std::vector<CompressedBlock>& blocks) {
  size_t n = 0;
  for (const CompressedBlock& b : blocks) n += b.bytes.size();
  return n;
}

TEST(QuantumEncoder, EveryOffsetAndLengthGetsTheSlotHoldingIt) {
  QuantumTokenEncoder enc(21);
  const QuantumBases& bases = enc.bases();
  auto holds = [](const uint32_t* base, uint32_t slots, uint32_t slot, uint32_t value) {
    return slot < slots && base[slot] <= value && (slot + 1 == slots || value < base[slot + 1]);
  };
  for (uint32_t offset = 1; offset <= enc.window_size(); ++offset)
    ASSERT_TRUE(holds(bases.position, QUANTUM_POSITION_SLOTS, enc.position_slot(offset), offset - 1)) << offset;
  for (uint32_t length = QUANTUM_CODED_LENGTH_MIN; length <= QUANTUM_MAX_MATCH; ++length)
    ASSERT_TRUE(holds(bases.length, QUANTUM_LENGTH_SLOTS, enc.length_slot(length), length - QUANTUM_CODED_LENGTH_MIN))
        << length;
}

// Random bytes with their first quarter window repeated `gap` bytes later: a whole window
// back is within reach, a byte further is not.
TEST(QuantumEncoder, RepeatsAreFoundExactlyOneWindowBack) {
  for (uint32_t bits : {10u, 16u}) {
    const uint32_t window = 1u << bits, repeat = window / 4;
    for (uint32_t gap : {window, window + 1}) {
      std::vector<uint8_t> data = testdata::random_bytes(gap + repeat, bits + gap);
      std::copy(data.begin(), data.begin() + repeat, data.begin() + gap);
      auto blocks = encode_quantum(data, {.window_bits = bits});
      size_t size = total_bytes(blocks);
      if (gap == window) EXPECT_LT(size, gap + repeat / 2) << bits << " bits: the repeat is coded as matches";
      else EXPECT_GT(size, gap + repeat) << bits << " bits: the repeat is out of reach";
      FolderDecoder dec(bits);
      std::vector<uint8_t> out;
      for (size_t i = 0; i < blocks.size(); ++i)
        ASSERT_EQ(dec.block(blocks[i].bytes, blocks[i].uncompressed_size, out), CodecStatus::Ok) << bits;
      EXPECT_TRUE(out == data) << bits << " bits, gap " << gap;
    }
  }
}

TEST(QuantumEncoder, CompressesOrdinaryContentUsingEverySelector) {
  std::vector<uint8_t> text = testdata::text_like(400000, 1);
  std::vector<uint8_t> binary = testdata::binary_like(400000, 2);
  std::vector<uint8_t> random = testdata::random_bytes(100000, 3);

  QuantumStats stats;
  size_t text_size = total_bytes(encode_quantum(text, {}, &stats));
  size_t binary_size = total_bytes(encode_quantum(binary, {}, &stats));
  size_t random_size = total_bytes(encode_quantum(random, {}, &stats));
  // Measured: text 14.6 %, binary 37.8 % (MSZIP: 14.0 %, 41.9 %), random 101.1 %.
  EXPECT_LT(text_size, text.size() * 16 / 100);
  EXPECT_LT(binary_size, binary.size() * 42 / 100);
  EXPECT_LT(binary_size, total_bytes(encode_mszip(binary)));
  EXPECT_LT(random_size, random.size() * 102 / 100) << "incompressible input barely grows";

  std::vector<uint8_t> mixed = text;
  mixed.insert(mixed.end(), binary.begin(), binary.end());
  encode_quantum(mixed, {.window_bits = 16}, &stats);
  for (uint32_t s = 0; s < QUANTUM_SELECTORS; ++s) EXPECT_GT(stats.selectors[s], 100u) << "selector " << s;
}

}  // namespace
