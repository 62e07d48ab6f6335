// Canonical Huffman decoding tables: a direct lookup on the first `table_bits` bits, with
// longer codes hanging as binary trees from their direct entry. Entries are 16 bits: a leaf is
// (code length << 11) | symbol, a tree node is NODE_MARK | node index; the nodes follow the
// direct entries, two children each.
#pragma once

#include <cstdint>

#include "lzx_bits.h"

namespace lzx {

constexpr uint16_t NODE_MARK = 0xF800;

constexpr uint32_t table_entries(uint32_t table_bits, uint32_t symbols) {
  return (1u << table_bits) + 2 * symbols;
}

// Builds the table for `count` code lengths. Fails on a length above 16 and on a code that is
// incomplete or over-full; all-zero lengths give a table that yields symbol 0 from no bits.
bool build_table(const uint8_t* lengths, uint32_t count, uint32_t table_bits, uint16_t* table);

// Needs 16 valid bits in the reader.
inline uint32_t decode_symbol(BitReader& bits, const uint16_t* table, uint32_t table_bits) {
  uint32_t entry = table[bits.buffer >> (64 - table_bits)];
  if (entry >= NODE_MARK) [[unlikely]] {
    const uint16_t* nodes = table + (1u << table_bits);
    uint64_t rest = bits.buffer << table_bits;
    do {
      entry = nodes[(entry & 0x7FF) * 2 + uint32_t(rest >> 63)];
      rest <<= 1;
    } while (entry >= NODE_MARK);
  }
  bits.consume(entry >> 11);
  return entry & 0x7FF;
}

}  // namespace lzx
