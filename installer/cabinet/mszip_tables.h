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

// Decoding table entry (32 bits):
//   bits 0..4   bits this entry consumes (code length at this level)
//   bits 8..11  extra bits that follow (lengths, distances) or a sub-table's index bits
//   bits 12..14 kind
//   bits 16..31 literal byte, length or distance base, or sub-table offset
enum EntryKind : uint32_t {
  KIND_LITERAL = 0,
  KIND_LENGTH = 1,
  KIND_END = 2,
  KIND_INVALID = 3,
  KIND_LINK = 4,
};

constexpr uint32_t entry_bits(uint32_t e) { return e & 31; }
constexpr uint32_t entry_extra(uint32_t e) { return (e >> 8) & 15; }
constexpr uint32_t entry_kind(uint32_t e) { return (e >> 12) & 7; }
constexpr uint32_t entry_value(uint32_t e) { return e >> 16; }

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
// incomplete set decode as KIND_INVALID; an empty set gives a table that decodes nothing and
// returns false.
bool build_table(const uint8_t* lengths, uint32_t count, Alphabet alphabet, uint32_t* table,
                 int root_bits);

struct FixedTables {
  uint32_t litlen[LITLEN_TABLE_SIZE];
  uint32_t dist[DIST_TABLE_SIZE];
  bool valid;
};

// The fixed-code tables, built once per process.
const FixedTables& fixed_tables();

}  // namespace mszip
