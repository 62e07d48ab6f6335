// The main tree's decoding table. Its entries say what the decoding loop does next, so that a
// match needs no lookup between its main symbol and its offset's bits, and most matches need no
// length lookup either: where a match's main code and the length code after it both fit in
// the direct part of the table, one entry holds both.
//
// A leaf is 32 bits:
//   bits 0-4    bits to consume: the main code's, plus the length code's where it is resolved
//   bits 6-13   a literal's byte; for a match, its length - 2 (7 while a length symbol follows)
//   bit 14      MAIN_MATCH
//   bit 15      MAIN_LENGTH_FOLLOWS: a length symbol comes next, not resolved in the table
//   bits 16-20  how many of the offset's extra bits are read as they stand
//   bit 21      MAIN_ALIGNED: an aligned symbol follows those bits
//   bits 22-27  the position slot
// Tree nodes are as in lzx_huffman.h (bit 5 set, never in a leaf).
#pragma once

#include <cstdint>

#include "lzx_format.h"
#include "lzx_huffman.h"

namespace lzx {

constexpr uint32_t MAIN_TABLE_BITS = 12;
constexpr uint32_t LENGTH_TABLE_BITS = 10;

constexpr uint32_t MAIN_CONSUMED_MASK = 31;
constexpr uint32_t MAIN_VALUE_SHIFT = LENGTH_BITS;
constexpr uint32_t MAIN_MATCH = 1u << 14;
constexpr uint32_t MAIN_LENGTH_FOLLOWS = 1u << 15;
constexpr uint32_t MAIN_VERBATIM_SHIFT = 16;
constexpr uint32_t MAIN_ALIGNED = 1u << 21;
constexpr uint32_t MAIN_SLOT_SHIFT = 22;

inline uint32_t main_consumed(uint32_t entry) { return entry & MAIN_CONSUMED_MASK; }
inline uint8_t main_literal(uint32_t entry) { return uint8_t(entry >> MAIN_VALUE_SHIFT); }
inline uint32_t main_match_length(uint32_t entry) {
  return ((entry >> MAIN_VALUE_SHIFT) & 0xFF) + MIN_MATCH;
}
inline uint32_t main_verbatim_bits(uint32_t entry) { return (entry >> MAIN_VERBATIM_SHIFT) & 31; }
inline uint32_t main_slot(uint32_t entry) { return entry >> MAIN_SLOT_SHIFT; }

// Builds `table` (table_entries(MAIN_TABLE_BITS, MAIN_LENGTH_SPACE) entries) for `count` main
// code lengths in a block of `block_type` (verbatim or aligned), resolving length symbols
// through `length_table` (LENGTH_TABLE_BITS, built from the block's length tree first). Fails
// as build_table does.
bool build_main_table(const uint8_t* lengths, uint32_t count, uint32_t block_type,
                      const uint16_t* length_table, uint32_t* table);

}  // namespace lzx
