#include "mszip_tables.h"

#include <cstring>

#include "deflate_format.h"

namespace mszip {

namespace {

using deflate::DIST_BASE;
using deflate::DIST_EXTRA;
using deflate::LENGTH_BASE;
using deflate::LENGTH_EXTRA;

constexpr TableEntry INVALID_ENTRY = make_entry(ENTRY_EXCEPTIONAL, 0, 0, 0);

// A literal of the literal/length code: one byte, at LITERAL_DISTANCE with no extra bits.
TableEntry literal_entry(uint32_t byte, uint32_t length) {
  return make_entry(ENTRY_LITERAL, length, 1, 1) | TableEntry(length) << 32 | TableEntry(byte) << 40 |
         TableEntry(LITERAL_DISTANCE) << 48;
}

// What a symbol with a code of `length` bits decodes to.
TableEntry symbol_entry(Alphabet alphabet, uint32_t symbol, uint32_t length) {
  switch (alphabet) {
    case Alphabet::CodeLength:
      return make_entry(ENTRY_LITERAL, length, 1, symbol);
    case Alphabet::LiteralLength:
      if (symbol < 256) return literal_entry(symbol, length);
      if (symbol == 256) return make_entry(ENTRY_EXCEPTIONAL, length, 0, ENTRY_END_VALUE);
      if (symbol - 257 < 29)
        return make_entry(0, length + LENGTH_EXTRA[symbol - 257], length, LENGTH_BASE[symbol - 257]);
      return INVALID_ENTRY;
    case Alphabet::Distance:
      if (symbol < 30) return make_entry(0, length + DIST_EXTRA[symbol], length, DIST_BASE[symbol]);
      return INVALID_ENTRY;
  }
  return INVALID_ENTRY;
}

}  // namespace

// The walk below follows the classic multi-level table builder step for step, so its names stay
// short and match it. Key:
//   c[n]  how many codes have length n (c[g] later also counts the dummy codes)
//   k     the code length being placed;  g  the longest length;  l  the bits one table decodes
//   y     code space left unused after every length is placed (dummy codes fill it)
//   a     codes of length k still to place
//   i     the current code, bit-reversed, as the tables index it
//   h     the current table level (-1 before the root);  w  the bits decoded above level h
//   x[h]  the value of i when level h's table was opened
//   z     the most bits a new table may take;  j  the bits it takes;  f  the code space it
//         would cover beyond the codes of length k;  xp  the length tried while widening it
CodeCheck classic_check(const uint8_t* lengths, uint32_t count, int lookup_bits, uint32_t area) {
  if (count > 288) return CodeCheck::Invalid;
  int c[17] = {0};
  for (uint32_t i = 0; i < count; ++i) {
    if (lengths[i] > 16) return CodeCheck::Invalid;
    ++c[lengths[i]];
  }
  if (uint32_t(c[0]) == count) return CodeCheck::Ok;  // empty set: an empty table

  int k = 1;
  while (c[k] == 0) ++k;  // shortest code
  int g = 16;
  while (c[g] == 0) --g;  // longest code
  int l = lookup_bits;
  if (l < k) l = k;
  if (l > g) l = g;

  // Over-subscription; unused code space is filled with dummy codes of the longest length.
  int y = 1 << k;
  for (int j = k; j < g; ++j, y <<= 1) {
    if ((y -= c[j]) < 0) return CodeCheck::Invalid;
  }
  if ((y -= c[g]) < 0) return CodeCheck::Invalid;
  c[g] += y;

  // Walk the codes in canonical order, opening tables exactly where the classic builder does,
  // and count the entries they take.
  uint32_t x[18] = {0};
  uint32_t i = 0;
  int h = -1;
  int w = -l;
  uint32_t entries = 0;
  for (; k <= g; ++k) {
    int a = c[k];
    while (a--) {
      while (k > w + l) {
        ++h;
        w += l;
        int z = g - w;
        if (z > l) z = l;
        int j = k - w;
        int f = 1 << j;
        if (f > a + 1) {
          f -= a + 1;
          int xp = k;
          if (j < z) {
            while (++j < z) {
              f <<= 1;
              ++xp;
              if (f <= c[xp]) break;
              f -= c[xp];
            }
          }
        }
        entries += 1u << j;
        if (entries > area || h >= 16) return CodeCheck::Invalid;
        if (h) x[h] = i;
      }
      uint32_t bit = 1u << (k - 1);
      while (i & bit) {
        i ^= bit;
        bit >>= 1;
      }
      i ^= bit;
      while ((i & ((1u << w) - 1)) != x[h]) {
        --h;
        w -= l;
      }
    }
  }
  return (y != 0 && g != 1) ? CodeCheck::Incomplete : CodeCheck::Ok;
}

namespace {

// The next code of `length` bits in canonical order, both bit-reversed (deflate sends codes
// first bit first, so tables are indexed by reversed codes).
uint32_t next_reversed(uint32_t reversed, int length) {
  uint32_t bit = 1u << (length - 1);
  while (reversed & bit) bit >>= 1;
  return (reversed & (bit - 1)) | bit;
}

}  // namespace

bool build_table(const uint8_t* lengths, uint32_t count, Alphabet alphabet, TableEntry* table,
                 int root_bits, uint32_t* codes) {
  // Symbols in canonical order: by code length, then by symbol.
  uint32_t length_count[17] = {0};
  for (uint32_t s = 0; s < count; ++s) ++length_count[lengths[s]];
  uint32_t start[17] = {0};
  int longest = 0;
  for (int len = 1; len <= 16; ++len) {
    if (len < 16) start[len + 1] = start[len] + length_count[len];
    if (length_count[len]) longest = len;
  }
  const uint32_t root_size = 1u << root_bits;
  if (longest == 0) {
    for (uint32_t e = 0; e < root_size; ++e) table[e] = INVALID_ENTRY;
    return false;  // every lookup decodes as invalid
  }
  uint16_t sorted[288];
  for (uint32_t s = 0; s < count; ++s)
    if (lengths[s]) sorted[start[lengths[s]]++] = uint16_t(s);

  // Root entries. The codes of each length are placed in the first 2^length entries, which
  // are then doubled: a code's entry belongs in every slot that shares its low bits. Slots no
  // code takes (an incomplete code) keep the invalid entry they start with.
  table[0] = table[1] = INVALID_ENTRY;
  uint32_t filled = 2;
  uint32_t reversed = 0;
  uint32_t next = 0;  // index into sorted
  const int root_longest = longest < root_bits ? longest : root_bits;
  for (int len = 1; len <= root_longest; ++len) {
    if (len > 1) {
      std::memcpy(table + filled, table, filled * sizeof(TableEntry));
      filled *= 2;
    }
    for (uint32_t n = length_count[len]; n; --n) {
      if (codes) codes[sorted[next]] = reversed;
      table[reversed] = symbol_entry(alphabet, sorted[next++], uint32_t(len));
      reversed = next_reversed(reversed, len);
    }
  }
  for (; filled < root_size; filled *= 2) std::memcpy(table + filled, table, filled * sizeof(TableEntry));

  // Longer codes: a sub-table per root slot, as wide as the slot's longest code. In canonical
  // order the codes that share a slot come one after another, the longest last.
  uint32_t long_codes[288];
  uint8_t long_lengths[288];
  uint32_t long_count = 0;
  const uint32_t first_long = next;
  for (int len = root_bits + 1; len <= longest; ++len) {
    for (uint32_t n = length_count[len]; n; --n) {
      long_codes[long_count] = reversed;
      long_lengths[long_count++] = uint8_t(len);
      reversed = next_reversed(reversed, len);
    }
  }
  uint32_t next_free = root_size;
  for (uint32_t k = 0; k < long_count;) {
    const uint32_t slot = long_codes[k] & (root_size - 1);
    uint32_t end = k;
    while (end < long_count && (long_codes[end] & (root_size - 1)) == slot) ++end;
    const uint32_t sub_bits = long_lengths[end - 1] - uint32_t(root_bits);
    const uint32_t size = 1u << sub_bits;
    table[slot] = make_entry(ENTRY_LINK, uint32_t(root_bits), sub_bits, next_free);
    for (uint32_t e = 0; e < size; ++e) table[next_free + e] = INVALID_ENTRY;
    for (; k < end; ++k) {
      const uint32_t len = long_lengths[k];
      const TableEntry entry = symbol_entry(alphabet, sorted[first_long + k], len);
      if (codes) codes[sorted[first_long + k]] = long_codes[k];
      for (uint32_t e = long_codes[k] >> root_bits; e < size; e += 1u << (len - root_bits))
        table[next_free + e] = entry;
    }
    next_free += size;
  }
  return true;
}

namespace {

// Whether many matches of the block would find their distance in the length's entry: by the
// code lengths, the share of matches whose distance code fits beside the length code and its
// extra bits. Below that share the hot loop's branch on it mispredicts more than the
// saved lookups gain, and the entries are not worth building.
bool distances_worth_attaching(const uint8_t* lengths, uint32_t count, const TableEntry* dist_table) {
  // Code space (out of 2^15) of the distance codes up to each length, read off the root table:
  // each root slot stands for 2^(15 - DIST_ROOT_BITS) of it.
  uint32_t dist_space_upto[16] = {0};
  for (uint32_t slot = 0; slot < (1u << DIST_ROOT_BITS); ++slot) {
    const TableEntry d = dist_table[slot];
    if (!(d & (ENTRY_LINK | ENTRY_EXCEPTIONAL))) dist_space_upto[entry_field(d)] += 1u << (15 - DIST_ROOT_BITS);
  }
  for (uint32_t len = 1; len <= LITLEN_ROOT_BITS; ++len) dist_space_upto[len] += dist_space_upto[len - 1];
  uint64_t match_space = 0;
  uint64_t attached_space = 0;
  for (uint32_t symbol = 257; symbol < count && symbol < 257 + 29; ++symbol) {
    const uint32_t len = lengths[symbol];
    if (len == 0) continue;
    const uint64_t space = uint64_t(1) << (15 - len);
    match_space += space << 15;
    const uint32_t head = len + LENGTH_EXTRA[symbol - 257];  // the code and its extra bits
    if (head < LITLEN_ROOT_BITS) attached_space += space * dist_space_upto[LITLEN_ROOT_BITS - head];
  }
  return attached_space * 2 >= match_space;  // at least one match in two
}

}  // namespace

void attach_distances(const uint8_t* lengths, const uint32_t* codes, uint32_t count,
                      TableEntry* litlen, const TableEntry* dist_table) {
  constexpr uint32_t ROOT_MASK = (1u << LITLEN_ROOT_BITS) - 1;
  if (!distances_worth_attaching(lengths, count, dist_table)) return;
  for (uint32_t symbol = 257; symbol < count && symbol < 257 + 29; ++symbol) {
    const uint32_t len = lengths[symbol];
    const uint32_t extra = LENGTH_EXTRA[symbol - 257];
    const uint32_t head = len + extra;  // the code and its extra bits
    if (len == 0 || head >= LITLEN_ROOT_BITS) continue;
    // Every root slot of this code: its bits, the length's extra bits, then the distance code.
    for (uint32_t slot = codes[symbol]; slot <= ROOT_MASK; slot += 1u << len) {
      const uint32_t length = LENGTH_BASE[symbol - 257] + ((slot >> len) & ((1u << extra) - 1));
      const uint32_t rest = slot >> head;  // LITLEN_ROOT_BITS - head bits
      const TableEntry d = dist_table[rest & ((1u << DIST_ROOT_BITS) - 1)];
      if (d & (ENTRY_LINK | ENTRY_EXCEPTIONAL)) continue;
      const uint32_t dist_len = entry_field(d);
      if (head + dist_len > LITLEN_ROOT_BITS) continue;
      const uint32_t consumed = head + entry_consumed(d);
      litlen[slot] = make_entry(ENTRY_WITH_DISTANCE, consumed, 0, length) |
                     TableEntry(head + dist_len) << 32 | TableEntry(entry_value(d)) << 48;
    }
  }
}

namespace {

FixedTables build_fixed_tables() {
  FixedTables fixed{};
  uint8_t lengths[288];
  for (uint32_t s = 0; s < 288; ++s) lengths[s] = deflate::fixed_litlen_length(s);
  uint8_t dist_lengths[30];
  uint32_t codes[288];
  for (int s = 0; s < 30; ++s) dist_lengths[s] = deflate::FIXED_DISTANCE_LENGTH;
  fixed.valid =
      classic_check(lengths, 288, 9, CLASSIC_FIXED_LITLEN_AREA) == CodeCheck::Ok &&
      classic_check(dist_lengths, 30, 5, CLASSIC_FIXED_DIST_AREA) != CodeCheck::Invalid &&
      build_table(lengths, 288, Alphabet::LiteralLength, fixed.litlen, LITLEN_ROOT_BITS, codes) &&
      build_table(dist_lengths, 30, Alphabet::Distance, fixed.dist, DIST_ROOT_BITS);
  if (fixed.valid) attach_distances(lengths, codes, 288, fixed.litlen, fixed.dist);
  return fixed;
}

}  // namespace

const FixedTables& fixed_tables() {
  static const FixedTables tables = build_fixed_tables();
  return tables;
}

}  // namespace mszip
