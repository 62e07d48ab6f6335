// MSZIP decoding: "CK" and a deflate stream per block, history taken from the output buffer.
//
// The hot loop keeps up to 63 bits in a 64-bit buffer refilled eight bytes at a time while the
// input allows; near the input's end bytes are taken one at a time and reading past the end
// yields zero bits, as the format's decoders always have. Results (every output byte, every
// failure) are those of the classic byte-at-a-time decoder.
#include <bit>
#include <cstring>

#include "deflate_format.h"
#include "mszip_decoder.h"
#include "mszip_tables.h"

using namespace mszip;

namespace {

constexpr uint32_t MSZIP_MAGIC = 0x4349444D;  // "MDIC"
constexpr uint32_t MAX_MATCH = 258;
// Room the fast loop needs: a whole match plus a few literals decoded without checks.
constexpr uint32_t FAST_OUTPUT_ROOM = MAX_MATCH + 8;
constexpr uint32_t FAST_INPUT_ROOM = 8;

using deflate::CODE_LENGTH_ORDER;

}  // namespace

struct InflateState {
  uint32_t litlen[LITLEN_TABLE_SIZE];
  uint32_t dist[DIST_TABLE_SIZE];
  uint32_t codelen[CODELEN_TABLE_SIZE];
  uint8_t lengths[286 + 30];
};

struct MszipDecoder {
  uint32_t magic;
  FreeFn free;
  uint32_t block_size;
  InflateState* state;
};

namespace {

enum class Step { Continue, BlockEnd, OutputFull, Fail };

struct Inflater {
  const uint8_t* in;
  uint32_t in_size;
  uint32_t in_pos;  // may pass in_size: the zero bytes read beyond the end are counted too
  uint64_t bits;
  uint32_t bit_count;
  uint8_t* out;
  uint32_t out_pos;
  uint32_t out_end;  // the wanted count
  uint32_t history;  // buffer size: where the previous block's tail wraps
};

inline uint64_t load_le64(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// Makes at least 56 bits available.
inline void refill(Inflater& s) {
  if (s.in_pos + FAST_INPUT_ROOM <= s.in_size) {
    s.bits |= load_le64(s.in + s.in_pos) << s.bit_count;
    s.in_pos += (63 - s.bit_count) >> 3;
    s.bit_count |= 56;
    return;
  }
  while (s.bit_count <= 56) {
    uint64_t byte = s.in_pos < s.in_size ? s.in[s.in_pos] : 0;
    ++s.in_pos;
    s.bits |= byte << s.bit_count;
    s.bit_count += 8;
  }
}

inline uint32_t take(Inflater& s, uint32_t n) {
  uint32_t value = uint32_t(s.bits & ((uint64_t(1) << n) - 1));
  s.bits >>= n;
  s.bit_count -= n;
  return value;
}

inline uint32_t lookup(Inflater& s, const uint32_t* table, int root_bits) {
  uint32_t e = table[s.bits & ((1u << root_bits) - 1)];
  if (entry_kind(e) == KIND_LINK) {
    s.bits >>= root_bits;
    s.bit_count -= uint32_t(root_bits);
    e = table[entry_value(e) + (s.bits & ((1u << entry_extra(e)) - 1))];
  }
  s.bits >>= entry_bits(e);
  s.bit_count -= entry_bits(e);
  return e;
}

// Copies a match whose source lies inside what this block has produced. Needs 8 bytes of
// buffer after the match.
inline void copy_near(uint8_t* out, uint32_t pos, uint32_t dist, uint32_t len) {
  uint8_t* dst = out + pos;
  const uint8_t* src = dst - dist;
  if (dist >= 8) [[likely]] {
    // Whole 8-byte moves, the last one running up to 7 bytes past the match. Those bytes still
    // hold the previous block (history for far matches), so they are put back: one load and
    // one store instead of a branch on the length that mispredicts.
    uint8_t saved[8];
    std::memcpy(saved, dst + len, 8);
    uint8_t* end = dst + len;
    do {
      std::memcpy(dst, src, 8);
      dst += 8;
      src += 8;
    } while (dst < end);
    std::memcpy(end, saved, 8);
  } else if (dist == 1) {
    std::memset(dst, src[0], len);
  } else {
    for (uint32_t i = 0; i < len; ++i) dst[i] = src[i];
  }
}

// Copies a match that reaches back into the previous block, held in the buffer's tail from
// out_pos + history - dist on. That source lies ahead of the destination, so a forward move
// reads each byte before it is overwritten; a match running past the tail goes on from the
// block's own start, an ordinary near copy.
inline void copy_from_history(Inflater& s, uint32_t dist, uint32_t len) {
  uint32_t src = s.out_pos + s.history - dist;
  uint32_t first = len < s.history - src ? len : s.history - src;
  std::memmove(s.out + s.out_pos, s.out + src, first);
  s.out_pos += first;
  for (uint32_t i = first; i < len; ++i, ++s.out_pos) s.out[s.out_pos] = s.out[s.out_pos - dist];
}

// Decodes one literal or match with every bound checked. Used near the ends of the buffers.
Step careful_step(Inflater& s, const uint32_t* litlen, const uint32_t* dist_table) {
  if (s.out_pos == s.out_end) return Step::OutputFull;
  refill(s);
  uint32_t e = lookup(s, litlen, LITLEN_ROOT_BITS);
  switch (entry_kind(e)) {
    case KIND_LITERAL:
      s.out[s.out_pos++] = uint8_t(entry_value(e));
      return Step::Continue;
    case KIND_END:
      return Step::BlockEnd;
    case KIND_LENGTH:
      break;
    default:
      return Step::Fail;
  }
  uint32_t len = entry_value(e) + take(s, entry_extra(e));
  refill(s);
  uint32_t d = lookup(s, dist_table, DIST_ROOT_BITS);
  if (entry_kind(d) != KIND_LENGTH) return Step::Fail;
  uint32_t dist = entry_value(d) + take(s, entry_extra(d));
  if (dist > s.history) return Step::Fail;
  uint32_t room = s.out_end - s.out_pos;
  if (len > room) len = room;  // the wanted count ends inside this match
  if (dist > s.out_pos) {
    copy_from_history(s, dist, len);
  } else if (s.out_end - s.out_pos - len >= 8) {
    copy_near(s.out, s.out_pos, dist, len);
    s.out_pos += len;
  } else {
    for (uint32_t i = 0; i < len; ++i, ++s.out_pos) s.out[s.out_pos] = s.out[s.out_pos - dist];
  }
  return Step::Continue;
}

inline __attribute__((always_inline)) Step decode_codes(Inflater& s, const uint32_t* litlen,
                                                        const uint32_t* dist_table) {
  for (;;) {
    while (s.in_pos + FAST_INPUT_ROOM <= s.in_size && s.out_end - s.out_pos >= FAST_OUTPUT_ROOM) {
      refill(s);
      uint32_t e = lookup(s, litlen, LITLEN_ROOT_BITS);
      if (entry_kind(e) == KIND_LITERAL) {
        s.out[s.out_pos++] = uint8_t(entry_value(e));
        // 56 bits after a refill cover two more literal codes of at most 15 bits each.
        e = lookup(s, litlen, LITLEN_ROOT_BITS);
        if (entry_kind(e) == KIND_LITERAL) {
          s.out[s.out_pos++] = uint8_t(entry_value(e));
          e = lookup(s, litlen, LITLEN_ROOT_BITS);
          if (entry_kind(e) == KIND_LITERAL) {
            s.out[s.out_pos++] = uint8_t(entry_value(e));
            continue;
          }
        }
        if (entry_kind(e) != KIND_LENGTH) {
          if (entry_kind(e) == KIND_END) return Step::BlockEnd;
          if (entry_kind(e) != KIND_LITERAL) return Step::Fail;
          continue;
        }
        refill(s);
      } else if (entry_kind(e) != KIND_LENGTH) {
        return entry_kind(e) == KIND_END ? Step::BlockEnd : Step::Fail;
      }
      // Length code, then distance: 5 + 15 + 13 bits, all within one refill.
      uint32_t len = entry_value(e) + take(s, entry_extra(e));
      uint32_t d = lookup(s, dist_table, DIST_ROOT_BITS);
      if (entry_kind(d) != KIND_LENGTH) return Step::Fail;
      uint32_t dist = entry_value(d) + take(s, entry_extra(d));
      if (dist <= s.out_pos) {
        copy_near(s.out, s.out_pos, dist, len);
        s.out_pos += len;
      } else {
        if (dist > s.history) return Step::Fail;
        copy_from_history(s, dist, len);
      }
    }
    Step step = careful_step(s, litlen, dist_table);
    if (step != Step::Continue) return step;
  }
}

// The decoder state is copied into a local for the hot loop: output bytes are stored through a
// byte pointer, which may alias anything the compiler cannot prove local, so a shared state
// would be reloaded from memory after every byte.
Step decode_huffman_block(Inflater& state, const uint32_t* litlen, const uint32_t* dist_table) {
  Inflater s = state;
  Step step = decode_codes(s, litlen, dist_table);
  state = s;
  return step;
}

// Drops to a byte boundary and copies a stored block straight from the input.
Step stored_block(Inflater& s) {
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
  std::memcpy(s.out + s.out_pos, s.in + byte_pos, count);
  s.out_pos += count;
  s.in_pos = byte_pos + len;
  return count < len ? Step::OutputFull : Step::BlockEnd;
}

Step dynamic_block(Inflater& s, InflateState* state) {
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
    uint32_t e = lookup(s, state->codelen, CODELEN_ROOT_BITS);
    if (entry_kind(e) != KIND_LITERAL) return Step::Fail;
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
  build_table(lengths, hlit, Alphabet::LiteralLength, state->litlen, LITLEN_ROOT_BITS);
  build_table(lengths + hlit, hdist, Alphabet::Distance, state->dist, DIST_ROOT_BITS);
  return decode_huffman_block(s, state->litlen, state->dist);
}

CodecStatus inflate_block(Inflater& s, InflateState* state) {
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
        step = decode_huffman_block(s, fixed.litlen, fixed.dist);
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
  auto* state = static_cast<InflateState*>(alloc(sizeof(InflateState)));
  if (!state) {
    free(decoder);
    return CodecStatus::NoMemory;
  }
  std::memset(static_cast<void*>(state), 0, sizeof(InflateState));
  decoder->magic = MSZIP_MAGIC;
  decoder->free = free;
  decoder->block_size = *block_size;
  decoder->state = state;
  fixed_tables();  // built once, before any block needs them
  *handle = decoder;
  return CodecStatus::Ok;
}

CodecStatus mszip_decompress(MszipDecoder* handle, const uint8_t* input, uint32_t input_size,
                             uint8_t* output, uint32_t* output_size) {
  if (!handle || handle->magic != MSZIP_MAGIC) return CodecStatus::BadHandle;
  if (input_size > handle->block_size + MSZIP_INPUT_SLACK) return CodecStatus::BadSize;
  if (input_size < 2 || input[0] != 'C' || input[1] != 'K') return CodecStatus::DataError;

  Inflater s{};
  s.in = input + 2;
  s.in_size = input_size - 2;
  s.out = output;
  s.out_end = *output_size < handle->block_size ? *output_size : handle->block_size;
  s.history = handle->block_size;
  if (s.out_end == 0) {
    *output_size = 0;
    return CodecStatus::Ok;
  }
  CodecStatus status = inflate_block(s, handle->state);
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
