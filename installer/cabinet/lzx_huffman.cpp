#include "lzx_huffman.h"

#include "lzx_table_builder.h"

namespace lzx {

bool build_table(const uint8_t* lengths, uint32_t count, uint32_t table_bits, uint16_t* table) {
  return detail::build(
      lengths, count, table_bits, table,
      [](uint32_t symbol, uint32_t len) { return uint16_t(symbol << LENGTH_BITS | len); },
      [](uint16_t* first, uint32_t span, uint16_t entry) { std::fill_n(first, span, entry); });
}

}  // namespace lzx
