#include "lzx_tree_writer.h"

#include <vector>

#include "installer/cabinet/lzx_format.h"
#include "lzx_huffman_code.h"

namespace cabwriter {

namespace {

struct PretreeItem {
  uint8_t symbol;
  uint8_t extra_bits;
  uint8_t extra;
  uint8_t delta;  // symbol 19: the difference symbol that follows
};

uint8_t delta_symbol(uint8_t previous, uint8_t length) {
  return uint8_t((previous + 17 - length) % 17);
}

std::vector<PretreeItem> pretree_items(const uint8_t* lengths, const uint8_t* previous,
                                       uint32_t first, uint32_t last) {
  std::vector<PretreeItem> items;
  uint32_t i = first;
  while (i < last) {
    uint8_t value = lengths[i];
    uint32_t run = 1;
    while (i + run < last && lengths[i + run] == value) ++run;
    if (value == 0 && run >= 20) {
      uint32_t n = run - 20 > 31 ? 31 : run - 20;
      items.push_back({18, 5, uint8_t(n), 0});
      i += 20 + n;
    } else if (value == 0 && run >= 4) {
      uint32_t n = run - 4 > 15 ? 15 : run - 4;
      items.push_back({17, 4, uint8_t(n), 0});
      i += 4 + n;
    } else if (run >= 4 && previous[i] != value) {
      // Every position of the run gets the value derived from the first one's previous length.
      uint32_t n = run >= 5 ? 1 : 0;
      items.push_back({19, 1, uint8_t(n), delta_symbol(previous[i], value)});
      i += 4 + n;
    } else {
      items.push_back({delta_symbol(previous[i], value), 0, 0, 0});
      ++i;
    }
  }
  return items;
}

}  // namespace

uint64_t write_length_run(LzxBitWriter* bits, const uint8_t* lengths, const uint8_t* previous,
                          uint32_t first, uint32_t last) {
  std::vector<PretreeItem> items = pretree_items(lengths, previous, first, last);
  std::vector<uint32_t> counts(lzx::PRETREE_SYMBOLS, 0);
  for (const PretreeItem& item : items) {
    ++counts[item.symbol];
    if (item.symbol == 19) ++counts[item.delta];
  }
  std::vector<uint8_t> tree = huffman_lengths(counts, 15);
  std::vector<uint32_t> codes = canonical_codes(tree);

  uint64_t cost = 4 * lzx::PRETREE_SYMBOLS;
  for (const PretreeItem& item : items) {
    cost += tree[item.symbol] + item.extra_bits;
    if (item.symbol == 19) cost += tree[item.delta];
  }
  if (bits) {
    for (uint8_t len : tree) bits->put(len, 4);
    for (const PretreeItem& item : items) {
      bits->put(codes[item.symbol], tree[item.symbol]);
      bits->put(item.extra, item.extra_bits);
      if (item.symbol == 19) bits->put(codes[item.delta], tree[item.delta]);
    }
  }
  return cost;
}

}  // namespace cabwriter
