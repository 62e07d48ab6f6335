// LZX block headers: the translation header, block type and size, the trees sent through the
// pretree as differences from the previous block's lengths, and the uncompressed block's
// repeated offsets.
#include <cstring>

#include "lzx_state.h"

namespace lzx {

namespace {

uint32_t read_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint8_t length_from_delta(uint32_t previous, uint32_t symbol) {
  return uint8_t((previous + 17 - symbol) % 17);
}

// Reads lengths [first, last) as a pretree and its symbols; `previous` holds the old lengths.
bool read_lengths(DecoderState& s, uint8_t* lengths, const uint8_t* previous, uint32_t first,
                  uint32_t last) {
  BitReader& bits = s.bits;
  uint8_t pretree[PRETREE_SYMBOLS];
  for (uint32_t i = 0; i < PRETREE_SYMBOLS; ++i) pretree[i] = uint8_t(bits.read(4));
  if (!build_table(pretree, PRETREE_SYMBOLS, PRETREE_TABLE_BITS, s.pretree_table)) return false;

  uint32_t i = first;
  while (i < last) {
    bits.refill();
    uint32_t symbol = decode_symbol(bits, s.pretree_table, PRETREE_TABLE_BITS);
    if (symbol <= 16) {
      lengths[i] = length_from_delta(previous[i], symbol);
      ++i;
      continue;
    }
    uint32_t run;
    uint8_t value = 0;
    if (symbol == 17) {
      run = 4 + bits.take(4);
    } else if (symbol == 18) {
      run = 20 + bits.take(5);
    } else {
      run = 4 + bits.take(1);
      uint32_t delta = decode_symbol(bits, s.pretree_table, PRETREE_TABLE_BITS);
      if (delta > 16) return false;
      // The whole run takes its value from the first position's previous length.
      value = length_from_delta(previous[i], delta);
    }
    if (run > last - i) run = last - i;
    std::memset(lengths + i, value, run);
    i += run;
  }
  return !bits.overrun();
}

bool read_trees(DecoderState& s) {
  std::memcpy(s.main_previous, s.main_lengths, sizeof s.main_lengths);
  std::memcpy(s.length_previous, s.length_lengths, sizeof s.length_lengths);
  if (!read_lengths(s, s.main_lengths, s.main_previous, 0, NUM_CHARS)) return false;
  if (!read_lengths(s, s.main_lengths, s.main_previous, NUM_CHARS, s.main_symbols)) return false;
  if (!read_lengths(s, s.length_lengths, s.length_previous, 0, LENGTH_SYMBOLS)) return false;
  // The main table takes its length symbols from the length table: built first.
  return build_table(s.length_lengths, LENGTH_SYMBOLS, LENGTH_TABLE_BITS, s.length_table) &&
         build_main_table(s.main_lengths, s.main_symbols, s.block_type, s.length_table,
                          s.main_table);
}

bool read_aligned_tree(DecoderState& s) {
  for (uint32_t i = 0; i < ALIGNED_SYMBOLS; ++i) s.aligned_lengths[i] = uint8_t(s.bits.read(3));
  return build_table(s.aligned_lengths, ALIGNED_SYMBOLS, ALIGNED_TABLE_BITS, s.aligned_table);
}

// The uncompressed block's bytes start at the next word boundary with R0, R1, R2.
bool enter_uncompressed(DecoderState& s) {
  if (s.bits.overrun()) return false;
  uint32_t at = s.swap_base + s.bits.aligned_byte_position();
  const uint32_t size = s.input_size;
  if (at > size || size - at < 12) return false;
  const uint8_t* p = s.input + at;
  s.r0 = read_le32(p);
  s.r1 = read_le32(p + 4);
  s.r2 = read_le32(p + 8);
  s.byte_position = at + 12;
  return true;
}

}  // namespace

bool read_block_header(DecoderState& s) {
  BitReader& bits = s.bits;
  if (s.block_type == BLOCK_UNCOMPRESSED) {
    // The bits resume after the previous block's bytes and its pad byte.
    restart_bits(s, s.byte_position + (s.block_size & 1));
  }
  if (s.e8_header_pending) {
    s.e8_header_pending = false;
    s.e8_size = 0;
    if (bits.read(1)) {
      uint32_t high = bits.read(16);
      uint32_t low = bits.read(16);
      s.e8_size = (high << 16) | low;
    }
  }
  uint32_t type = bits.read(3);
  uint32_t size = bits.read(8) << 16;
  size |= bits.read(8) << 8;
  size |= bits.read(8);
  s.block_type = type;
  s.block_size = size;
  s.block_left = size;
  s.header_needed = false;

  switch (type) {
    case BLOCK_ALIGNED:
      if (!read_aligned_tree(s)) return false;
      [[fallthrough]];
    case BLOCK_VERBATIM:
      return read_trees(s) && !bits.overrun();
    case BLOCK_UNCOMPRESSED:
      return enter_uncompressed(s);
    default:
      return false;
  }
}

void restart_bits(DecoderState& s, uint32_t at) {
  // Past the input nothing is loaded, whatever the copy's step: the reader finds only zeros.
  if (at <= s.input_size && ((at - s.swap_base) & 1)) {
    swap_words(s.swapped, s.input + at, s.input_size - at);
    s.swap_base = at;
  }
  s.bits.restart(s.swapped, s.input_size - s.swap_base, at - s.swap_base);
}

bool copy_uncompressed(DecoderState& s, uint32_t n) {
  const uint32_t size = s.input_size;
  if (s.byte_position > size || size - s.byte_position < n) return false;
  uint8_t* window = s.window;
  uint32_t pos = s.position;
  std::memcpy(window + pos, s.input + s.byte_position, n);
  if (pos < MIRROR_SPAN) {
    uint32_t end = pos + n < MIRROR_SPAN ? pos + n : MIRROR_SPAN;
    std::memcpy(window + s.window_size + pos, window + pos, end - pos);
  }
  s.byte_position += n;
  s.position = pos + n;
  return true;
}

}  // namespace lzx
