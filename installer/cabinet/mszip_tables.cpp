#include "mszip_tables.h"

#include "deflate_format.h"

namespace mszip {

namespace {

using deflate::DIST_BASE;
using deflate::DIST_EXTRA;
using deflate::LENGTH_BASE;
using deflate::LENGTH_EXTRA;

constexpr uint32_t make_entry(uint32_t kind, uint32_t bits, uint32_t extra, uint32_t value) {
  return value << 16 | kind << 12 | extra << 8 | bits;
}

constexpr uint32_t INVALID_ENTRY = make_entry(KIND_INVALID, 0, 0, 0);

// What a symbol of an alphabet decodes to, without its code length.
uint32_t symbol_entry(Alphabet alphabet, uint32_t symbol) {
  switch (alphabet) {
    case Alphabet::CodeLength:
      return make_entry(KIND_LITERAL, 0, 0, symbol);
    case Alphabet::LiteralLength:
      if (symbol < 256) return make_entry(KIND_LITERAL, 0, 0, symbol);
      if (symbol == 256) return make_entry(KIND_END, 0, 0, 0);
      if (symbol - 257 < 29)
        return make_entry(KIND_LENGTH, 0, LENGTH_EXTRA[symbol - 257], LENGTH_BASE[symbol - 257]);
      return INVALID_ENTRY;
    case Alphabet::Distance:
      if (symbol < 30) return make_entry(KIND_LENGTH, 0, DIST_EXTRA[symbol], DIST_BASE[symbol]);
      return INVALID_ENTRY;
  }
  return INVALID_ENTRY;
}

constexpr struct ByteReversal {
  uint8_t of[256];
  constexpr ByteReversal() : of() {
    for (uint32_t b = 0; b < 256; ++b)
      for (uint32_t i = 0; i < 8; ++i) of[b] = uint8_t(of[b] | ((b >> i) & 1) << (7 - i));
  }
} BYTE_REVERSAL;

// The low `length` bits of code, in reverse order (deflate sends codes first bit first).
uint32_t reverse_bits(uint32_t code, int length) {
  uint32_t reversed16 = uint32_t(BYTE_REVERSAL.of[code & 0xFF]) << 8 | BYTE_REVERSAL.of[(code >> 8) & 0xFF];
  return reversed16 >> (16 - length);
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

bool build_table(const uint8_t* lengths, uint32_t count, Alphabet alphabet, uint32_t* table,
                 int root_bits) {
  uint32_t length_count[17] = {0};
  for (uint32_t s = 0; s < count; ++s) ++length_count[lengths[s]];
  length_count[0] = 0;
  uint32_t next_code[17] = {0};
  uint32_t code = 0;
  int longest = 0;
  for (int len = 1; len <= 16; ++len) {
    code = (code + length_count[len - 1]) << 1;
    next_code[len] = code;
    if (length_count[len]) longest = len;
  }
  const uint32_t root_size = 1u << root_bits;
  if (longest == 0) {
    for (uint32_t e = 0; e < root_size; ++e) table[e] = INVALID_ENTRY;
    return false;  // every lookup decodes as invalid
  }
  // A complete code writes every entry below; only an incomplete one leaves gaps to mark.
  uint32_t weight = 0;
  for (int len = 1; len <= 16; ++len) weight += length_count[len] << (16 - len);
  const bool complete = weight == 1u << 16;
  if (!complete)
    for (uint32_t e = 0; e < root_size; ++e) table[e] = INVALID_ENTRY;

  // Sub-table width per root slot: enough for the longest code that shares the slot.
  uint8_t sub_bits[1u << 11] = {0};
  uint16_t linked[320];  // the root slots that get a sub-table
  uint32_t linked_count = 0;
  // Assign codes once, remembering them for the second pass.
  uint32_t codes[320];
  for (uint32_t s = 0; s < count; ++s) {
    int len = lengths[s];
    if (len == 0) continue;
    codes[s] = reverse_bits(next_code[len]++, len);
    if (len > root_bits) {
      uint32_t slot = codes[s] & (root_size - 1);
      if (!sub_bits[slot]) linked[linked_count++] = uint16_t(slot);
      if (len - root_bits > sub_bits[slot]) sub_bits[slot] = uint8_t(len - root_bits);
    }
  }

  uint32_t next_free = root_size;
  for (uint32_t i = 0; i < linked_count; ++i) {
    uint32_t slot = linked[i];
    uint32_t size = 1u << sub_bits[slot];
    table[slot] = make_entry(KIND_LINK, uint32_t(root_bits), sub_bits[slot], next_free);
    if (!complete)
      for (uint32_t e = 0; e < size; ++e) table[next_free + e] = INVALID_ENTRY;
    next_free += size;
  }

  for (uint32_t s = 0; s < count; ++s) {
    int len = lengths[s];
    if (len == 0) continue;
    uint32_t value = symbol_entry(alphabet, s);
    if (len <= root_bits) {
      uint32_t entry = value | uint32_t(len);
      for (uint32_t e = codes[s]; e < root_size; e += 1u << len) table[e] = entry;
    } else {
      uint32_t slot = codes[s] & (root_size - 1);
      uint32_t link = table[slot];
      uint32_t base = entry_value(link);
      uint32_t size = 1u << entry_extra(link);
      int sub_len = len - root_bits;
      uint32_t entry = value | uint32_t(sub_len);
      for (uint32_t e = codes[s] >> root_bits; e < size; e += 1u << sub_len) table[base + e] = entry;
    }
  }
  return true;
}

namespace {

FixedTables build_fixed_tables() {
  FixedTables fixed{};
  uint8_t lengths[288];
  for (uint32_t s = 0; s < 288; ++s) lengths[s] = deflate::fixed_litlen_length(s);
  uint8_t dist_lengths[30];
  for (int s = 0; s < 30; ++s) dist_lengths[s] = deflate::FIXED_DISTANCE_LENGTH;
  fixed.valid =
      classic_check(lengths, 288, 9, CLASSIC_FIXED_LITLEN_AREA) == CodeCheck::Ok &&
      classic_check(dist_lengths, 30, 5, CLASSIC_FIXED_DIST_AREA) != CodeCheck::Invalid &&
      build_table(lengths, 288, Alphabet::LiteralLength, fixed.litlen, LITLEN_ROOT_BITS) &&
      build_table(dist_lengths, 30, Alphabet::Distance, fixed.dist, DIST_ROOT_BITS);
  return fixed;
}

}  // namespace

const FixedTables& fixed_tables() {
  static const FixedTables tables = build_fixed_tables();
  return tables;
}

}  // namespace mszip
