// The one canonical-code table builder behind every LZX table (lzx_huffman.h describes the
// layout). Private to the decoder's table files.
#pragma once

#include <algorithm>
#include <cstdint>

#include "lzx_format.h"
#include "lzx_huffman.h"

namespace lzx::detail {

constexpr uint32_t EMPTY = 0xFFFF;

// Hangs a code longer than the direct table from its direct entry, one node per further bit.
template <class Entry>
void insert_long_code(Entry* table, uint32_t table_bits, uint32_t code, uint32_t length,
                      Entry leaf, uint32_t& next_node) {
  Entry* nodes = table + (1u << table_bits);
  Entry* slot = &table[code >> (length - table_bits)];
  for (int bit = int(length - table_bits) - 1; bit >= 0; --bit) {
    if (*slot == EMPTY) {
      nodes[next_node * 2] = EMPTY;
      nodes[next_node * 2 + 1] = EMPTY;
      *slot = Entry(next_node << LENGTH_BITS | NODE_MARK);
      ++next_node;
    }
    slot = &nodes[entry_index(*slot) * 2 + ((code >> bit) & 1)];
  }
  *slot = leaf;
}

// `leaf(symbol, length)` gives a symbol's entry; `fill(first, span, entry)` writes it to the
// `span` direct entries from `first` (a code of `length` bits owns them all).
template <class Entry, class Leaf, class Fill>
bool build(const uint8_t* lengths, uint32_t count, uint32_t table_bits, Entry* table, Leaf leaf,
           Fill fill) {
  // Four histograms, summed after: runs of equal lengths would otherwise wait on one counter.
  uint32_t partial[4][32] = {};
  uint8_t longest = 0;
  for (uint32_t i = 0; i < count; ++i) {
    longest = lengths[i] > longest ? lengths[i] : longest;
    ++partial[i % 4][lengths[i] & 31];  // a length past 16 fails below
  }
  if (longest > MAX_CODE_LENGTH) return false;
  uint32_t per_length[MAX_CODE_LENGTH + 1];
  for (uint32_t len = 0; len <= MAX_CODE_LENGTH; ++len)
    per_length[len] = partial[0][len] + partial[1][len] + partial[2][len] + partial[3][len];
  const uint32_t direct = 1u << table_bits;
  if (per_length[0] == count) {
    std::fill_n(table, direct, Entry(0));
    return true;
  }
  uint32_t weight = 0;
  for (uint32_t len = 1; len <= MAX_CODE_LENGTH; ++len) weight += per_length[len] << (16 - len);
  if (weight != 1u << 16) return false;

  uint32_t next_code[MAX_CODE_LENGTH + 1];
  uint32_t code = 0;
  per_length[0] = 0;
  for (uint32_t len = 1; len <= MAX_CODE_LENGTH; ++len) {
    code = (code + per_length[len - 1]) << 1;
    next_code[len] = code;
  }

  // Longer codes follow shorter ones, so the entries that hold trees are the last ones: only
  // they need marking empty. Every other entry is written by exactly one short code.
  if (table_bits < MAX_CODE_LENGTH) {
    const uint32_t first_tree = next_code[table_bits + 1] >> 1;
    if (first_tree < direct) std::fill_n(table + first_tree, direct - first_tree, Entry(EMPTY));
  }
  uint32_t next_node = 0;
  for (uint32_t symbol = 0; symbol < count; ++symbol) {
    const uint32_t len = lengths[symbol];
    if (len == 0) continue;
    const uint32_t c = next_code[len]++;
    const Entry entry = leaf(symbol, len);
    if (len <= table_bits) {
      fill(table + (c << (table_bits - len)), 1u << (table_bits - len), entry);
    } else {
      insert_long_code(table, table_bits, c, len, entry, next_node);
    }
  }
  return true;
}

}  // namespace lzx::detail
