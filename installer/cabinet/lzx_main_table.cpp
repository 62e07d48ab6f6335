#include "lzx_main_table.h"

#include <bit>
#include <cassert>

#include "lzx_table_builder.h"

namespace lzx {

namespace {

// Each main symbol's leaf without its code length, for verbatim and aligned blocks.
struct MainLeaves {
  uint32_t verbatim_block[MAIN_LENGTH_SPACE];
  uint32_t aligned_block[MAIN_LENGTH_SPACE];
};

constexpr MainLeaves make_main_leaves() {
  MainLeaves leaves{};
  for (uint32_t symbol = 0; symbol < NUM_CHARS; ++symbol) {
    leaves.verbatim_block[symbol] = leaves.aligned_block[symbol] = symbol << MAIN_VALUE_SHIFT;
  }
  for (uint32_t symbol = NUM_CHARS; symbol < MAIN_MAX_SYMBOLS; ++symbol) {
    const uint32_t header = (symbol - NUM_CHARS) & 7;
    const uint32_t slot = (symbol - NUM_CHARS) >> 3;
    const uint32_t extra = SLOTS.extra[slot];
    uint32_t leaf = MAIN_MATCH | header << MAIN_VALUE_SHIFT | slot << MAIN_SLOT_SHIFT;
    if (header == NUM_PRIMARY_LENGTHS) leaf |= MAIN_LENGTH_FOLLOWS;
    leaves.verbatim_block[symbol] = leaf | extra << MAIN_VERBATIM_SHIFT;
    leaves.aligned_block[symbol] =
        leaf | (extra >= 3 ? (extra - 3) << MAIN_VERBATIM_SHIFT | MAIN_ALIGNED
                           : extra << MAIN_VERBATIM_SHIFT);
  }
  return leaves;
}

constexpr MainLeaves MAIN_LEAVES = make_main_leaves();

// Fills a match's direct entries whose remaining bits hold a whole length code with that
// code resolved; the others keep MAIN_LENGTH_FOLLOWS. A length code of l bits owns an aligned
// run of 2^(room - l) entries, filled at once.
void fill_resolving_length(uint32_t* first, uint32_t span, uint32_t leaf,
                           const uint16_t* length_table) {
  const uint32_t room = uint32_t(std::countr_zero(span));  // bits after the main code
  const uint32_t main_bits = main_consumed(leaf);
  const uint32_t resolved_base = leaf & ~(MAIN_LENGTH_FOLLOWS | 0xFFu << MAIN_VALUE_SHIFT |
                                          MAIN_CONSUMED_MASK);
  // Past the length table's direct bits a code is not resolved: one lookup covers this many.
  const uint32_t unresolved_run = room > LENGTH_TABLE_BITS ? 1u << (room - LENGTH_TABLE_BITS) : 1;
  for (uint32_t rest = 0; rest < span;) {
    const uint32_t index = room >= LENGTH_TABLE_BITS ? rest >> (room - LENGTH_TABLE_BITS)
                                                      : rest << (LENGTH_TABLE_BITS - room);
    const uint32_t length_entry = length_table[index];
    const uint32_t length_bits = length_entry & LENGTH_MASK;
    if (is_node(length_entry) || length_bits > room) {
      std::fill_n(first + rest, unresolved_run, leaf);
      rest += unresolved_run;
      continue;
    }
    const uint32_t value = NUM_PRIMARY_LENGTHS + entry_index(length_entry);
    const uint32_t run = 1u << (room - length_bits);
    assert(rest % run == 0);
    std::fill_n(first + rest, run, resolved_base | value << MAIN_VALUE_SHIFT | (main_bits + length_bits));
    rest += run;
  }
}

}  // namespace

bool build_main_table(const uint8_t* lengths, uint32_t count, uint32_t block_type,
                      const uint16_t* length_table, uint32_t* table) {
  const uint32_t* leaves =
      block_type == BLOCK_ALIGNED ? MAIN_LEAVES.aligned_block : MAIN_LEAVES.verbatim_block;
  return detail::build(
      lengths, count, MAIN_TABLE_BITS, table,
      [leaves](uint32_t symbol, uint32_t len) { return leaves[symbol] | len; },
      [length_table](uint32_t* first, uint32_t span, uint32_t leaf) {
        if (leaf & MAIN_LENGTH_FOLLOWS) {
          fill_resolving_length(first, span, leaf, length_table);
        } else {
          std::fill_n(first, span, leaf);
        }
      });
}

}  // namespace lzx
