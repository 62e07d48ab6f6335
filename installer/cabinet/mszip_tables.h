// Huffman tables for the MSZIP decoder.
//
// Two things are kept apart here. The *acceptance rules* (which code sets a block may use and
// how much table space they take) follow the classic multi-level inflate builder, so a code
// set is accepted or refused exactly as that builder would with its fixed table areas. The
// *decoding tables* are our own faster layout: one wide first-level table with second-level
// tables only for the long codes.
#pragma once

#include <cstdint>

namespace mszip {

// Decoding table entry (64 bits), laid out for the hot loop: one shift consumes a whole code
// with its extra bits, one test tells a literal from the rest.
//   bits 0..7    bits the entry consumes: the code, and for lengths and distances its extra bits
//                (with ENTRY_WITH_DISTANCE, the distance code and its extra bits too)
//   bits 8..11   lengths and distances: the code's own length (where its extra bits start);
//                literals: how many bytes the entry holds (1); links: the sub-table's index bits
//   bit 12       ENTRY_WITH_DISTANCE: a length whose extra bits and distance code follow within
//                the root bits, decoded here too; the value is the length itself
//                (see attach_distances)
//   bit 13       ENTRY_LINK: a code longer than the root; the value is the sub-table's offset,
//                whose entries consume the whole code (root bits included)
//   bit 14       ENTRY_EXCEPTIONAL: end of block (value ENTRY_END_VALUE) or an invalid code
//   bit 15       ENTRY_LITERAL
//   bits 16..31  length or distance base, or sub-table offset; literals of the literal/length
//                code: 1, the bytes they produce; code-length symbols: the symbol
//   bits 32..36  ENTRY_WITH_DISTANCE and literals: where the distance's extra bits start
//   bits 40..47  literals of the literal/length code: the byte
//   bits 48..63  ENTRY_WITH_DISTANCE: the distance base; literals: LITERAL_DISTANCE
//
// A literal thus reads as a one-byte match (see LITERAL_DISTANCE), which lets the hot loop take
// literals and matches down one path.
using TableEntry = uint64_t;
constexpr uint32_t ENTRY_WITH_DISTANCE = 1u << 12;
constexpr uint32_t ENTRY_LINK = 1u << 13;
constexpr uint32_t ENTRY_EXCEPTIONAL = 1u << 14;
constexpr uint32_t ENTRY_LITERAL = 1u << 15;
constexpr uint32_t ENTRY_END_VALUE = 1;

// The distance a literal entry carries: one the window always holds when the hot loop runs (its
// blocks are longer), at least as long as a wide match copy so that copy never reads the byte
// the literal stores, and far enough back that the bytes it reads were stored long before (a
// load of bytes still on their way to the cache waits for them).
constexpr uint32_t LITERAL_DISTANCE = 256;

constexpr TableEntry make_entry(uint32_t flags, uint32_t consumed, uint32_t field, uint32_t value) {
  return TableEntry(value << 16 | flags | field << 8 | consumed);
}
constexpr uint32_t entry_consumed(TableEntry e) { return uint32_t(e) & 0xFF; }
constexpr uint32_t entry_field(TableEntry e) { return (uint32_t(e) >> 8) & 15; }
constexpr uint32_t entry_value(TableEntry e) { return uint32_t(e) >> 16; }
constexpr uint8_t entry_literal(TableEntry e) { return uint8_t(e >> 40); }
constexpr bool entry_is_end(TableEntry e) {
  return (e & ENTRY_EXCEPTIONAL) && entry_value(e) == ENTRY_END_VALUE;
}

// The value a length or distance entry stands for: its base plus the extra bits that follow the
// code in `bits` (the bit buffer as it was before the entry was consumed).
inline uint32_t entry_base_plus_extra(TableEntry e, uint64_t bits) {
  uint64_t code_and_extra = bits & ((uint64_t(1) << entry_consumed(e)) - 1);
  return entry_value(e) + uint32_t(code_and_extra >> entry_field(e));
}

// The sub-table entry a link leads to: `bits` hold the whole code, root bits first.
inline TableEntry linked_entry(const TableEntry* table, TableEntry link, uint64_t bits, int root_bits) {
  return table[entry_value(link) + ((bits >> root_bits) & ((1u << entry_field(link)) - 1))];
}

// The distance an ENTRY_WITH_DISTANCE entry carries (its length is entry_value).
inline uint32_t entry_distance(TableEntry e, uint64_t bits) {
  uint64_t codes_and_extra = bits & ((uint64_t(1) << entry_consumed(e)) - 1);
  return uint32_t(e >> 48) + uint32_t(codes_and_extra >> ((e >> 32) & 31));
}

constexpr int LITLEN_ROOT_BITS = 11;
constexpr int DIST_ROOT_BITS = 8;
constexpr int CODELEN_ROOT_BITS = 7;
// Root table plus the largest set of sub-tables any code set can need (one per long code).
constexpr uint32_t LITLEN_TABLE_SIZE = (1u << LITLEN_ROOT_BITS) + 288u * (1u << (15 - LITLEN_ROOT_BITS));
constexpr uint32_t DIST_TABLE_SIZE = (1u << DIST_ROOT_BITS) + 32u * (1u << (15 - DIST_ROOT_BITS));
constexpr uint32_t CODELEN_TABLE_SIZE = 1u << CODELEN_ROOT_BITS;

// Table areas of the classic builder and the lookup widths it is asked for.
constexpr uint32_t CLASSIC_LITLEN_AREA = 900;
constexpr uint32_t CLASSIC_DIST_AREA = 200;
constexpr uint32_t CLASSIC_FIXED_LITLEN_AREA = 520;
constexpr uint32_t CLASSIC_FIXED_DIST_AREA = 32;

enum class CodeCheck { Ok, Incomplete, Invalid };

// Applies the classic builder's rules to a set of code lengths: at most 288 codes of at most 16
// bits, no over-subscription, all its tables within `area` entries. An incomplete set is
// reported as such unless its longest code has length 1.
CodeCheck classic_check(const uint8_t* lengths, uint32_t count, int lookup_bits, uint32_t area);

enum class Alphabet { CodeLength, LiteralLength, Distance };

// Builds a decoding table for lengths that passed classic_check. Codes missing from an
// incomplete set decode as invalid entries; an empty set gives a table that decodes nothing and
// returns false. `table` holds at least the alphabet's *_TABLE_SIZE entries.
// `codes` (if given, count entries) receives each symbol's code, bit-reversed.
bool build_table(const uint8_t* lengths, uint32_t count, Alphabet alphabet, TableEntry* table,
                 int root_bits, uint32_t* codes = nullptr);

// Folds the length's extra bits and the distance into the literal/length root entries where the
// distance code (a root entry of dist_table) fits in the root bits left after them, so such a
// match takes one lookup. Only done when many of the block's matches would take it. `lengths` and `codes` are the literal/length code's.
void attach_distances(const uint8_t* lengths, const uint32_t* codes, uint32_t count,
                      TableEntry* litlen, const TableEntry* dist_table);

struct FixedTables {
  TableEntry litlen[LITLEN_TABLE_SIZE];
  TableEntry dist[DIST_TABLE_SIZE];
  bool valid;
};

// The fixed-code tables, built once per process.
const FixedTables& fixed_tables();

}  // namespace mszip
