// Turns an MSZIP stream, one 32 KiB block at a time, into deflate literals and matches.
//
// Three sets of hash chains (positions linked by their first 3, 4 and 12 bytes) run across
// the whole stream, so nothing is re-read at a block's start. Parsing is lazy: a match gives
// way to a better one starting a byte later. Where asked to and no 4-byte match is found, the
// nearest earlier position with the same 3 bytes gives a 3-byte match if, priced by the
// symbol counts learn_prices was last given, it costs fewer bits than its 3 literals.
// A match may reach back into the previous block (the decoder keeps exactly that one block
// as history) and never further: the 32768-byte
// distance limit of the format is that boundary, since every block but the last holds 32768
// bytes. A match never runs past the end of the block being parsed.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "installer/cabinet/deflate_format.h"

namespace cabwriter {

constexpr uint32_t DEFLATE_MAX_MATCH = 258;
constexpr uint32_t DEFLATE_MAX_DISTANCE = 32768;
constexpr uint32_t DEFLATE_LITLEN_SYMBOLS = 286;  // 0..255 bytes, 256 end of block, lengths
constexpr uint32_t DEFLATE_DISTANCE_SYMBOLS = 30;
constexpr uint32_t DEFLATE_END_OF_BLOCK = 256;

// A literal (distance 0, length_or_byte the byte) or a match (length 3..258, distance
// 1..32768).
struct DeflateSymbol {
  uint16_t length_or_byte;
  uint16_t distance;
};

// The block's symbols and how often each code symbol occurs in them (end of block included).
struct DeflateParse {
  std::vector<DeflateSymbol> symbols;
  std::array<uint32_t, DEFLATE_LITLEN_SYMBOLS> litlen_counts{};
  std::array<uint32_t, DEFLATE_DISTANCE_SYMBOLS> distance_counts{};
};

// How hard the match finder looks. Deeper chains and longer lazy steps find longer matches
// at a cost in time.
struct DeflateEffort {
  uint32_t max_chain;    // candidates examined per search of the long chains
  uint32_t good_length;  // a pending match this long quarters the next search's chain
  uint32_t max_lazy;     // a match this long is taken without trying the next position
  uint32_t nice_length;  // a match this long ends the search
  uint32_t short_chain;  // candidates examined for a match shorter than the long chains' strings
};

namespace detail {
struct DeflateSymbolTables {
  uint8_t length[DEFLATE_MAX_MATCH + 1];  // length symbol - 257
  uint8_t near_distance[256];             // by distance - 1
  uint8_t far_distance[256];              // by (distance - 1) >> 7, for distances above 256
};
constexpr DeflateSymbolTables make_deflate_symbol_tables() {
  DeflateSymbolTables t{};
  for (uint32_t s = 0; s < 29; ++s)
    for (uint32_t n = 0; n < (1u << deflate::LENGTH_EXTRA[s]); ++n)
      if (deflate::LENGTH_BASE[s] + n <= DEFLATE_MAX_MATCH) t.length[deflate::LENGTH_BASE[s] + n] = uint8_t(s);
  t.length[DEFLATE_MAX_MATCH] = 28;  // 258 has a symbol of its own, not 284 with all ones
  for (uint32_t s = 0; s < 30; ++s)
    for (uint32_t n = 0; n < (1u << deflate::DIST_EXTRA[s]); ++n) {
      uint32_t d = deflate::DIST_BASE[s] + n - 1;
      if (d < 256) t.near_distance[d] = uint8_t(s);
      else t.far_distance[d >> 7] = uint8_t(s);
    }
  return t;
}
inline constexpr DeflateSymbolTables DEFLATE_SYMBOL_TABLES = make_deflate_symbol_tables();
}  // namespace detail

// The code symbol of a match length (3..258): 257..285; of a distance (1..32768): 0..29.
inline uint32_t deflate_length_symbol(uint32_t length) {
  return 257 + detail::DEFLATE_SYMBOL_TABLES.length[length];
}
inline uint32_t deflate_distance_symbol(uint32_t distance) {
  return distance <= 256 ? detail::DEFLATE_SYMBOL_TABLES.near_distance[distance - 1]
                         : detail::DEFLATE_SYMBOL_TABLES.far_distance[(distance - 1) >> 7];
}

class DeflateMatcher {
 public:
  static constexpr uint32_t BLOCK_SIZE = 32768;

  DeflateMatcher();

  // Makes `block` (1 to 32768 bytes, copied) the block to parse; the one before it, if any,
  // becomes the history. Only a stream's last block may be shorter than 32768 bytes, so a
  // block after a short one is refused (std::logic_error).
  void load_block(std::span<const uint8_t> block);

  // Parses the loaded block into `parse` (cleared first), with or without 3-byte matches. The
  // same block may be parsed again, with the same result for the same arguments.
  void parse_block(const DeflateEffort& effort, bool three_byte_matches, DeflateParse& parse);

  // Prices symbols by their counts in `parse` for the 3-byte matches of the blocks to come.
  void learn_prices(const DeflateParse& parse);

  // The loaded block's bytes.
  std::span<const uint8_t> block() const;

 private:
  struct Match {
    uint32_t length;
    uint32_t distance;
  };

  // Estimated bits of each code symbol (in 1/16 bits), from the counts learn_prices was given.
  struct Prices {
    std::array<uint16_t, DEFLATE_LITLEN_SYMBOLS> litlen;
    std::array<uint16_t, DEFLATE_DISTANCE_SYMBOLS> distance;
  };

  static int gain(Match a, Match b);
  static Prices fixed_code_prices();
  Match three_byte_match(uint32_t pos) const;
  void slide();
  void insert_until(uint32_t end);
  Match walk_chain(const std::vector<int32_t>& links, uint32_t pos, uint32_t max_length, uint32_t nice,
                   uint32_t chain, Match best) const;
  Match longest_match(uint32_t pos, uint32_t max_length, uint32_t chain, const DeflateEffort& effort,
                      bool three_byte_matches);

  // window_[0, BLOCK_SIZE) holds the previous block, window_[BLOCK_SIZE, ...) the current.
  // Chain links and heads are window positions; a negative one (or one farther than the
  // distance limit) ends a chain. The short chains link positions by their first 4 bytes, the
  // long ones by their first 12.
  std::vector<uint8_t> window_;
  std::vector<int32_t> head_;
  std::vector<int32_t> long_head_;
  std::vector<int32_t> previous_;
  std::vector<int32_t> long_previous_;
  std::vector<int32_t> three_head_;      // by a hash of 3 bytes: the last position inserted
  std::vector<int32_t> three_previous_;  // the position before it with the same hash
  Prices prices_;
  uint32_t end_ = BLOCK_SIZE;            // one past the current block's last byte
  uint32_t inserted_ = BLOCK_SIZE;       // positions below this are in the short chains
  uint32_t long_inserted_ = BLOCK_SIZE;  // and below this in the long ones
  bool loaded_ = false;
};

}  // namespace cabwriter
