// The state of one MSZIP block being decoded, and its bit reader.
//
// The decoder writes into a private window: the previous block's bytes (the history matches
// reach back into) followed by the block being decoded, then WINDOW_SLACK bytes that wide match
// copies may run into. A match is a copy from `distance` bytes back in the window, whether it
// starts in the history or in the block itself.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "mszip_tables.h"

namespace mszip {

// Bytes past the end of the window a wide copy may write: one match's last 16-byte move
// runs up to 15 bytes past its end; literals are stored one at a time.
constexpr uint32_t WINDOW_SLACK = 32;

enum class Step { Continue, BlockEnd, OutputFull, Fail };

struct InflateStream {
  const uint8_t* in;
  uint32_t in_size;
  uint32_t in_pos;  // may pass in_size: the zero bytes read beyond the end are counted too
  uint64_t bits;    // bits [0, bit_count) are the next input bits; bits above may hold the
  uint32_t bit_count;  // start of the following bytes, never anything else
  uint8_t* block;      // window + history_size: where this block's output starts
  uint32_t history_size;
  uint32_t out_pos;  // bytes of the block produced
  uint32_t out_end;  // the wanted count
};

inline uint64_t load_le64(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// Makes at least 56 bits available. Eight bytes at a time while the input holds them; near
// its end one byte at a time, with zero bytes read past the end as the format's decoders
// always have.
inline void refill(InflateStream& s) {
  if (s.in_pos + 8 <= s.in_size) {
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

// Takes n bits (at most bit_count, at most 32).
inline uint32_t take(InflateStream& s, uint32_t n) {
  uint32_t value = uint32_t(s.bits & ((uint64_t(1) << n) - 1));
  s.bits >>= n;
  s.bit_count -= n;
  return value;
}

// Decodes literals and matches with the given tables until the end-of-block code (BlockEnd),
// the wanted count (OutputFull) or a damaged code or distance (Fail). Never reads the input
// past in_size nor writes past block + out_end + WINDOW_SLACK.
Step decode_codes(InflateStream& s, const TableEntry* litlen, const TableEntry* dist_table);

}  // namespace mszip
