// MSZIP decoding: "CK" and a deflate stream per block, decoded in a private window that holds
// the previous block as history. Results (every output byte, every failure) are those of the
// classic byte-at-a-time decoder.
#include <cstring>

#include "deflate_format.h"
#include "mszip_decoder.h"
#include "mszip_stream.h"
#include "mszip_tables.h"

using namespace mszip;

namespace {

constexpr uint32_t MSZIP_MAGIC = 0x4349444D;  // "MDIC"

using deflate::CODE_LENGTH_ORDER;

}  // namespace

struct InflateState {
  TableEntry litlen[LITLEN_TABLE_SIZE];
  TableEntry dist[DIST_TABLE_SIZE];
  TableEntry codelen[CODELEN_TABLE_SIZE];
  uint32_t codes[286];  // the literal/length codes, bit-reversed
  uint8_t lengths[286 + 30];
};

struct MszipDecoder {
  uint32_t magic;
  FreeFn free;
  uint32_t block_size;
  InflateState* state;
  // block_size bytes of history, block_size for the block, WINDOW_SLACK. The history is what
  // the caller's buffer held after the previous call: a block's bytes over the one before, so
  // a block shorter than the one before leaves that one's tail in place, as it always has.
  uint8_t* window;
};

namespace {

// Drops to a byte boundary and copies a stored block straight from the input.
Step stored_block(InflateStream& s) {
  take(s, s.bit_count & 7);
  uint32_t byte_pos = s.in_pos - s.bit_count / 8;
  s.bits = 0;
  s.bit_count = 0;
  // A header that would reach past the input reads zeros and can never be valid.
  if (byte_pos > s.in_size || s.in_size - byte_pos < 4) return Step::Fail;
  uint32_t len = uint32_t(s.in[byte_pos]) | uint32_t(s.in[byte_pos + 1]) << 8;
  uint32_t nlen = uint32_t(s.in[byte_pos + 2]) | uint32_t(s.in[byte_pos + 3]) << 8;
  if (len != (~nlen & 0xFFFF)) return Step::Fail;
  byte_pos += 4;
  // Refused before a byte is copied: the length must lie within the input.
  if (len > s.in_size - byte_pos) return Step::Fail;
  uint32_t room = s.out_end - s.out_pos;
  uint32_t count = len < room ? len : room;
  std::memcpy(s.block + s.out_pos, s.in + byte_pos, count);
  s.out_pos += count;
  s.in_pos = byte_pos + len;
  return count < len ? Step::OutputFull : Step::BlockEnd;
}

Step dynamic_block(InflateStream& s, InflateState* state) {
  refill(s);
  uint32_t hlit = take(s, 5) + 257;
  uint32_t hdist = take(s, 5) + 1;
  uint32_t hclen = take(s, 4) + 4;
  if (hlit > 286 || hdist > 30) return Step::Fail;

  uint8_t code_lengths[19] = {0};
  for (uint32_t i = 0; i < hclen; ++i) {
    if (s.bit_count < 3) refill(s);
    code_lengths[CODE_LENGTH_ORDER[i]] = uint8_t(take(s, 3));
  }
  if (classic_check(code_lengths, 19, 7, CLASSIC_LITLEN_AREA) != CodeCheck::Ok) return Step::Fail;
  // A code-length code with no codes leaves every length undefined.
  if (!build_table(code_lengths, 19, Alphabet::CodeLength, state->codelen, CODELEN_ROOT_BITS))
    return Step::Fail;

  uint8_t* lengths = state->lengths;
  uint32_t total = hlit + hdist;
  uint32_t previous = 0;
  for (uint32_t i = 0; i < total;) {
    refill(s);
    // Code-length codes are at most 7 bits: the root table holds them all.
    TableEntry e = state->codelen[s.bits & ((1u << CODELEN_ROOT_BITS) - 1)];
    if (!(e & ENTRY_LITERAL)) return Step::Fail;
    take(s, entry_consumed(e));
    uint32_t symbol = entry_value(e);
    uint32_t repeat;
    uint32_t value;
    if (symbol < 16) {
      lengths[i++] = uint8_t(symbol);
      previous = symbol;
      continue;
    } else if (symbol == 16) {
      repeat = 3 + take(s, 2);
      value = previous;
    } else if (symbol == 17) {
      repeat = 3 + take(s, 3);
      value = previous = 0;
    } else {
      repeat = 11 + take(s, 7);
      value = previous = 0;
    }
    if (i + repeat > total) return Step::Fail;
    std::memset(lengths + i, int(value), repeat);
    i += repeat;
  }

  if (classic_check(lengths, hlit, 9, CLASSIC_LITLEN_AREA) != CodeCheck::Ok) return Step::Fail;
  if (classic_check(lengths + hlit, hdist, 6, CLASSIC_DIST_AREA) != CodeCheck::Ok)
    return Step::Fail;
  build_table(lengths + hlit, hdist, Alphabet::Distance, state->dist, DIST_ROOT_BITS);
  build_table(lengths, hlit, Alphabet::LiteralLength, state->litlen, LITLEN_ROOT_BITS, state->codes);
  attach_distances(lengths, state->codes, hlit, state->litlen, state->dist);
  return decode_codes(s, state->litlen, state->dist);
}

CodecStatus inflate_block(InflateStream& s, InflateState* state) {
  for (;;) {
    if (s.out_pos == s.out_end) return CodecStatus::Ok;
    refill(s);
    uint32_t final_block = take(s, 1);
    uint32_t type = take(s, 2);
    Step step;
    switch (type) {
      case 0: step = stored_block(s); break;
      case 1: {
        const FixedTables& fixed = fixed_tables();
        if (!fixed.valid) return CodecStatus::DataError;
        step = decode_codes(s, fixed.litlen, fixed.dist);
        break;
      }
      case 2: step = dynamic_block(s, state); break;
      default: return CodecStatus::DataError;
    }
    if (step == Step::Fail) return CodecStatus::DataError;
    if (step == Step::OutputFull) return CodecStatus::Ok;
    if (final_block) return CodecStatus::Ok;
  }
}

}  // namespace

CodecStatus mszip_create(uint32_t* block_size, AllocFn alloc, FreeFn free, uint32_t* input_capacity,
                         MszipDecoder** handle) {
  if (*block_size == 0 || *block_size > CAB_BLOCK_SIZE) *block_size = CAB_BLOCK_SIZE;
  *input_capacity = *block_size + MSZIP_INPUT_SLACK;
  if (!handle) return CodecStatus::Ok;

  auto* decoder = static_cast<MszipDecoder*>(alloc(sizeof(MszipDecoder)));
  if (!decoder) return CodecStatus::NoMemory;
  // The window follows the state in the same allocation.
  const uint32_t window_size = 2 * *block_size + WINDOW_SLACK;
  auto* state = static_cast<InflateState*>(alloc(uint32_t(sizeof(InflateState)) + window_size));
  if (!state) {
    free(decoder);
    return CodecStatus::NoMemory;
  }
  // A damaged first block may reach back into history that was never written: it reads zeros.
  std::memset(static_cast<void*>(state), 0, sizeof(InflateState) + window_size);
  decoder->magic = MSZIP_MAGIC;
  decoder->free = free;
  decoder->block_size = *block_size;
  decoder->state = state;
  decoder->window = reinterpret_cast<uint8_t*>(state + 1);
  fixed_tables();  // built once, before any block needs them
  *handle = decoder;
  return CodecStatus::Ok;
}

CodecStatus mszip_decompress(MszipDecoder* handle, const uint8_t* input, uint32_t input_size,
                             uint8_t* output, uint32_t* output_size) {
  if (!handle || handle->magic != MSZIP_MAGIC) return CodecStatus::BadHandle;
  if (input_size > handle->block_size + MSZIP_INPUT_SLACK) return CodecStatus::BadSize;
  if (input_size < 2 || input[0] != 'C' || input[1] != 'K') return CodecStatus::DataError;

  InflateStream s{};
  s.in = input + 2;
  s.in_size = input_size - 2;
  s.history_size = handle->block_size;
  s.block = handle->window + s.history_size;
  s.out_end = *output_size < handle->block_size ? *output_size : handle->block_size;
  if (s.out_end == 0) {
    *output_size = 0;
    return CodecStatus::Ok;
  }
  CodecStatus status = inflate_block(s, handle->state);
  // What was produced, even before a failure, becomes the next block's history.
  std::memcpy(output, s.block, s.out_pos);
  std::memcpy(handle->window, s.block, s.out_pos);
  if (status == CodecStatus::Ok) *output_size = s.out_pos;
  return status;
}

CodecStatus mszip_reset(MszipDecoder* handle) {
  if (!handle || handle->magic != MSZIP_MAGIC) return CodecStatus::BadHandle;
  return CodecStatus::Ok;
}

CodecStatus mszip_destroy(MszipDecoder* handle) {
  if (!handle || handle->magic != MSZIP_MAGIC) return CodecStatus::BadHandle;
  handle->magic = 0;
  FreeFn free = handle->free;
  free(handle->state);
  free(handle);
  return CodecStatus::Ok;
}
