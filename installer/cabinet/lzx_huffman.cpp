#include "lzx_huffman.h"

#include "lzx_format.h"

namespace lzx {

namespace {

constexpr uint16_t EMPTY = 0xFFFF;

// Hangs a code longer than the direct table from its direct entry, one node per further bit.
void insert_long_code(uint16_t* table, uint32_t table_bits, uint32_t code, uint32_t length,
                      uint16_t leaf, uint32_t& next_node) {
  uint16_t* nodes = table + (1u << table_bits);
  uint16_t* slot = &table[code >> (length - table_bits)];
  for (int bit = int(length - table_bits) - 1; bit >= 0; --bit) {
    if (*slot == EMPTY) {
      nodes[next_node * 2] = EMPTY;
      nodes[next_node * 2 + 1] = EMPTY;
      *slot = node_entry(next_node);
      ++next_node;
    }
    slot = &nodes[entry_index(*slot) * 2 + ((code >> bit) & 1)];
  }
  *slot = leaf;
}

}  // namespace

bool build_table(const uint8_t* lengths, uint32_t count, uint32_t table_bits, uint16_t* table) {
  uint32_t per_length[MAX_CODE_LENGTH + 1] = {};
  for (uint32_t i = 0; i < count; ++i) {
    if (lengths[i] > MAX_CODE_LENGTH) return false;
    ++per_length[lengths[i]];
  }
  const uint32_t direct = 1u << table_bits;
  if (per_length[0] == count) {
    for (uint32_t i = 0; i < direct; ++i) table[i] = 0;
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

  for (uint32_t i = 0; i < direct; ++i) table[i] = EMPTY;
  uint32_t next_node = 0;
  for (uint32_t symbol = 0; symbol < count; ++symbol) {
    uint32_t len = lengths[symbol];
    if (len == 0) continue;
    uint32_t c = next_code[len]++;
    uint16_t leaf = leaf_entry(symbol, len);
    if (len <= table_bits) {
      uint32_t first = c << (table_bits - len);
      uint32_t span = 1u << (table_bits - len);
      for (uint32_t j = 0; j < span; ++j) table[first + j] = leaf;
    } else {
      insert_long_code(table, table_bits, c, len, leaf, next_node);
    }
  }
  return true;
}

}  // namespace lzx
