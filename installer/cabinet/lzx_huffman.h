// Canonical Huffman decoding tables: a direct lookup on the first `table_bits` bits, with
// longer codes hanging as binary trees from their direct entry. A leaf's low bits are
// (value << 6) | code length, so that the length is what a 64-bit shift reads of the entry as
// it stands; a tree node is (node index << 6) | NODE_MARK. The nodes follow the direct
// entries, two children each. The pretree, length and aligned tables hold 16-bit entries
// whose value is the symbol; the main tree's are richer (lzx_main_table.h).
#pragma once

#include <cstdint>

#include "lzx_bits.h"
#include "lzx_format.h"

namespace lzx {

constexpr uint32_t LENGTH_BITS = 6;
constexpr uint32_t NODE_MARK = 32;  // above any code length
constexpr uint32_t LENGTH_MASK = 63;
// Every symbol and node index (fewer nodes than symbols) fits above the length.
static_assert((MAIN_LENGTH_SPACE << LENGTH_BITS) <= 0xFFFF);

inline bool is_node(uint32_t entry) { return (entry & NODE_MARK) != 0; }
inline uint32_t entry_index(uint32_t entry) { return (entry & 0xFFFF) >> LENGTH_BITS; }

constexpr uint32_t table_entries(uint32_t table_bits, uint32_t symbols) {
  return (1u << table_bits) + 2 * symbols;
}

// Builds the table for `count` code lengths. Fails on a length above 16 and on a code that is
// incomplete or over-full; all-zero lengths give a table that yields symbol 0 from no bits.
bool build_table(const uint8_t* lengths, uint32_t count, uint32_t table_bits, uint16_t* table);

// The leaf for the code at the top of the reader's buffer, its bits not yet consumed. Needs
// 16 valid bits.
template <class Entry>
inline uint32_t lookup_entry(const BitReader& bits, const Entry* table, uint32_t table_bits) {
  uint32_t entry = table[bits.buffer >> (64 - table_bits)];
  if (is_node(entry)) [[unlikely]] {
    const Entry* nodes = table + (1u << table_bits);
    uint64_t rest = bits.buffer << table_bits;
    do {
      entry = nodes[entry_index(entry) * 2 + uint32_t(rest >> 63)];
      rest <<= 1;
    } while (is_node(entry));
  }
  return entry;
}

// Needs 16 valid bits in the reader.
inline uint32_t decode_symbol(BitReader& bits, const uint16_t* table, uint32_t table_bits) {
  uint32_t entry = lookup_entry(bits, table, table_bits);
  // The low six bits are the length: on most machines the shift takes them as they stand.
  bits.consume(entry & LENGTH_MASK);
  return entry_index(entry);
}

}  // namespace lzx
