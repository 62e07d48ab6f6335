#include "deflate_matcher.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace cabwriter {

namespace {

constexpr uint32_t HASH_BITS = 16;
constexpr size_t HASH_SIZE = size_t(1) << HASH_BITS;
// The 3-byte chains' table is smaller: they are searched for one candidate only.
constexpr uint32_t THREE_HASH_BITS = 15;
constexpr size_t THREE_HASH_SIZE = size_t(1) << THREE_HASH_BITS;
// Prices are in 1/PRICE_UNIT bits.
constexpr uint32_t PRICE_UNIT = 16;
// The long chains link positions that share this many bytes.
constexpr uint32_t LONG_BYTES = 12;
constexpr uint32_t WINDOW_SIZE = 2 * DeflateMatcher::BLOCK_SIZE;
// Word-wide comparisons may read this far past the block's end; the bytes there never count.
constexpr uint32_t READ_SLACK = 8;
constexpr int32_t NO_POSITION = -int32_t(DeflateMatcher::BLOCK_SIZE);

inline uint32_t load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Bytes of a shared prefix from a differing word; the word was loaded in memory order.
inline uint32_t equal_bytes(uint64_t difference) {
  if constexpr (std::endian::native == std::endian::little)
    return uint32_t(std::countr_zero(difference)) / 8;
  else
    return uint32_t(std::countl_zero(difference)) / 8;
}

// How many bytes a and b share, at most `limit`; may read 7 bytes past a + limit and b + limit.
inline uint32_t common_length(const uint8_t* a, const uint8_t* b, uint32_t limit) {
  uint32_t n = 0;
  while (n < limit) {
    uint64_t difference = load64(a + n) ^ load64(b + n);
    if (difference != 0) return std::min(limit, n + equal_bytes(difference));
    n += 8;
  }
  return limit;
}

// Hashes of the 4 and the LONG_BYTES bytes at p, as loaded: equal strings give equal hashes,
// which is all the chains need.
inline uint32_t hash4(const uint8_t* p) { return (load32(p) * 0x9E3779B1u) >> (32 - HASH_BITS); }
inline uint32_t hash3(const uint8_t* p) {
  return ((load32(p) & 0xFFFFFFu) * 0x9E3779B1u) >> (32 - THREE_HASH_BITS);
}
inline uint32_t hash_long(const uint8_t* p) {
  uint64_t v = load64(p);
  if constexpr (LONG_BYTES > 8) v ^= uint64_t(load32(p + LONG_BYTES - 4)) << 29;
  return uint32_t((v * 0x9E3779B97F4A7C15ull) >> (64 - HASH_BITS));
}

// About what a byte covered by a match saves in bits, against what the match's distance costs
// in extra bits: a match a byte longer but thousands of bytes farther is no gain.
constexpr int BYTE_BITS = 4;

inline int distance_bits(uint32_t distance) { return deflate::DIST_EXTRA[deflate_distance_symbol(distance)]; }

// Moves stored positions a block down; those that fall below the window stay negative (out of
// reach) without running past NO_POSITION. Fixed counts and no branch let compilers vectorise
// it even at -O2.
template <size_t N>
void slide_positions(int32_t* to, const int32_t* from) {
  for (size_t i = 0; i < N; ++i) to[i] = std::max(from[i] - int32_t(DeflateMatcher::BLOCK_SIZE), NO_POSITION);
}

}  // namespace

// Bits `a` saves over `b`, by the estimate above.
int DeflateMatcher::gain(Match a, Match b) {
  return (int(a.length) - int(b.length)) * BYTE_BITS - (distance_bits(a.distance) - distance_bits(b.distance));
}

DeflateMatcher::DeflateMatcher()
    : window_(WINDOW_SIZE + READ_SLACK, 0),
      head_(HASH_SIZE, NO_POSITION),
      long_head_(HASH_SIZE, NO_POSITION),
      previous_(WINDOW_SIZE, NO_POSITION),
      long_previous_(WINDOW_SIZE, NO_POSITION),
      three_head_(THREE_HASH_SIZE, NO_POSITION),
      three_previous_(WINDOW_SIZE, NO_POSITION),
      prices_(fixed_code_prices()) {}

// Before any block is parsed: the bits of the fixed code.
DeflateMatcher::Prices DeflateMatcher::fixed_code_prices() {
  Prices p{};
  for (uint32_t s = 0; s < DEFLATE_LITLEN_SYMBOLS; ++s)
    p.litlen[s] = uint16_t(deflate::fixed_litlen_length(s) * PRICE_UNIT);
  p.distance.fill(uint16_t(deflate::FIXED_DISTANCE_LENGTH * PRICE_UNIT));
  return p;
}

// A symbol's bits are about log2(total / count); one that did not occur is priced as if it
// had occurred half a time.
void DeflateMatcher::learn_prices(const DeflateParse& parse) {
  auto price = [](std::span<const uint32_t> counts, std::span<uint16_t> out) {
    double total = 0;
    for (uint32_t c : counts) total += c;
    for (size_t s = 0; s < counts.size(); ++s) {
      const double bits = std::log2(total / (counts[s] ? double(counts[s]) : 0.5));
      out[s] = uint16_t(std::lround(std::min(bits, 15.0) * PRICE_UNIT));
    }
  };
  price(parse.litlen_counts, prices_.litlen);
  price(parse.distance_counts, prices_.distance);
}

std::span<const uint8_t> DeflateMatcher::block() const {
  return {window_.data() + BLOCK_SIZE, end_ - BLOCK_SIZE};
}

void DeflateMatcher::load_block(std::span<const uint8_t> block) {
  if (block.empty() || block.size() > BLOCK_SIZE) throw std::logic_error("a block holds 1 to 32768 bytes");
  if (loaded_) {
    if (end_ != WINDOW_SIZE) throw std::logic_error("only a stream's last block may be short");
    slide();
  }
  loaded_ = true;
  std::memcpy(window_.data() + BLOCK_SIZE, block.data(), block.size());
  end_ = BLOCK_SIZE + uint32_t(block.size());
  // Word-wide compares read past the end without counting what they find; zeros keep those
  // reads defined.
  std::memset(window_.data() + end_, 0, READ_SLACK);
}

// The current block becomes the history: its bytes move down and every stored position with
// them; positions of the block before it drop out of reach.
void DeflateMatcher::slide() {
  std::memcpy(window_.data(), window_.data() + BLOCK_SIZE, BLOCK_SIZE);
  slide_positions<HASH_SIZE>(head_.data(), head_.data());
  slide_positions<HASH_SIZE>(long_head_.data(), long_head_.data());
  slide_positions<BLOCK_SIZE>(previous_.data(), previous_.data() + BLOCK_SIZE);
  slide_positions<BLOCK_SIZE>(long_previous_.data(), long_previous_.data() + BLOCK_SIZE);
  slide_positions<THREE_HASH_SIZE>(three_head_.data(), three_head_.data());
  slide_positions<BLOCK_SIZE>(three_previous_.data(), three_previous_.data() + BLOCK_SIZE);
  inserted_ -= BLOCK_SIZE;
  long_inserted_ -= BLOCK_SIZE;
}

// Puts every position below `end` into the chains it has bytes for: 4 for the short chains,
// LONG_BYTES for the long ones. The rest wait for the next block's bytes.
void DeflateMatcher::insert_until(uint32_t end) {
  const uint8_t* w = window_.data();
  for (uint32_t stop = std::min(end, end_ - std::min(end_, 3u)); inserted_ < stop; ++inserted_) {
    uint32_t h = hash4(w + inserted_);
    previous_[inserted_] = head_[h];
    head_[h] = int32_t(inserted_);
    uint32_t h3 = hash3(w + inserted_);
    three_previous_[inserted_] = three_head_[h3];
    three_head_[h3] = int32_t(inserted_);
  }
  for (uint32_t stop = std::min(end, end_ - std::min(end_, LONG_BYTES - 1)); long_inserted_ < stop; ++long_inserted_) {
    uint32_t h = hash_long(w + long_inserted_);
    long_previous_[long_inserted_] = long_head_[h];
    long_head_[h] = int32_t(long_inserted_);
  }
}

// The best match for `pos` (already in the chains) longer than `best` among a chain's first
// `chain` candidates within the distance limit, or `best`: the longest, unless its distance
// costs more than its extra length saves. Candidates come nearest first.
DeflateMatcher::Match DeflateMatcher::walk_chain(const std::vector<int32_t>& links, uint32_t pos,
                                                 uint32_t max_length, uint32_t nice, uint32_t chain,
                                                 Match best) const {
  const uint8_t* w = window_.data();
  const uint8_t* here = w + pos;
  const int32_t limit = int32_t(pos) - int32_t(DEFLATE_MAX_DISTANCE);
  for (int32_t candidate = links[pos]; candidate >= limit && chain != 0; candidate = links[candidate], --chain) {
    const uint8_t* there = w + candidate;
    // A longer match must agree on the 4 bytes that end one past the best length so far.
    if (load32(there + best.length - 3) != load32(here + best.length - 3)) continue;
    if (load32(there) != load32(here)) continue;
    uint32_t length = 4 + common_length(there + 4, here + 4, max_length - 4);
    if (length > best.length) {
      uint32_t distance = pos - uint32_t(candidate);
      if (best.distance != 0 && gain({length, distance}, best) < 0) continue;
      best = {length, distance};
      if (length >= nice) break;
    }
  }
  return best;
}

// The nearest 3-byte match for `pos` (already inserted), if it costs fewer bits than the three
// literals it replaces, else none.
DeflateMatcher::Match DeflateMatcher::three_byte_match(uint32_t pos) const {
  const int32_t candidate = three_previous_[pos];
  if (candidate < int32_t(pos) - int32_t(DEFLATE_MAX_DISTANCE)) return {0, 0};
  const uint8_t* w = window_.data();
  if ((load32(w + candidate) ^ load32(w + pos)) & 0xFFFFFFu) return {0, 0};
  const uint32_t distance = pos - uint32_t(candidate);
  const uint32_t symbol = deflate_distance_symbol(distance);
  const uint32_t match_bits = prices_.litlen[deflate_length_symbol(3)] + prices_.distance[symbol] +
                              deflate::DIST_EXTRA[symbol] * PRICE_UNIT;
  const uint32_t literal_bits = prices_.litlen[w[pos]] + prices_.litlen[w[pos + 1]] + prices_.litlen[w[pos + 2]];
  return match_bits < literal_bits ? Match{3, distance} : Match{0, 0};
}

// Every match of LONG_BYTES or more shares the long chain's hash, so the long chain alone finds
// the longest one; its candidates are few, where the short chain of a common 4-byte string may
// hold hundreds. Only when it finds none does the short chain look for a shorter match.
DeflateMatcher::Match DeflateMatcher::longest_match(uint32_t pos, uint32_t max_length, uint32_t chain,
                                                    const DeflateEffort& effort, bool three_byte_matches) {
  assert(max_length >= 4 && max_length <= DEFLATE_MAX_MATCH && pos + max_length <= end_);
  insert_until(pos + 1);
  const uint32_t nice = std::min(effort.nice_length, max_length);
  Match best{3, 0};
  if (max_length >= LONG_BYTES && pos < long_inserted_)
    best = walk_chain(long_previous_, pos, max_length, nice, chain, {LONG_BYTES - 1, 0});
  if (best.distance == 0)
    best = walk_chain(previous_, pos, std::min(max_length, LONG_BYTES - 1), std::min(nice, LONG_BYTES - 1),
                      effort.short_chain, {3, 0});
  if (best.distance == 0 && three_byte_matches) best = three_byte_match(pos);
  assert(best.distance <= DEFLATE_MAX_DISTANCE && best.length <= max_length);
  return best.distance != 0 ? best : Match{0, 0};
}

void DeflateMatcher::parse_block(const DeflateEffort& effort, bool three_byte_matches, DeflateParse& parse) {
  if (!loaded_) throw std::logic_error("no block loaded");
  parse.litlen_counts.fill(0);
  parse.distance_counts.fill(0);
  parse.litlen_counts[DEFLATE_END_OF_BLOCK] = 1;
  parse.symbols.resize(end_ - BLOCK_SIZE);
  DeflateSymbol* out = parse.symbols.data();
  const uint8_t* w = window_.data();

  auto literal = [&](uint32_t pos) {
    *out++ = {w[pos], 0};
    ++parse.litlen_counts[w[pos]];
  };
  auto find = [&](uint32_t pos, uint32_t chain) -> Match {
    uint32_t max_length = std::min(DEFLATE_MAX_MATCH, end_ - pos);
    return max_length < 4 ? Match{0, 0} : longest_match(pos, max_length, chain, effort, three_byte_matches);
  };

  uint32_t pos = BLOCK_SIZE;
  while (pos < end_) {
    Match current = find(pos, effort.max_chain);
    if (current.length == 0) {
      literal(pos++);
      continue;
    }
    // Lazy evaluation: while the next position starts a longer match, this one's byte goes
    // out as a literal.
    while (current.length < effort.max_lazy && pos + 1 < end_) {
      uint32_t chain = current.length >= effort.good_length ? effort.max_chain / 4 : effort.max_chain;
      Match next = find(pos + 1, chain);
      // The literal this costs must be paid for too; a 3-byte match, barely worth its bits,
      // gives way to any longer one.
      if (next.length <= current.length || (current.length > 3 && gain(next, current) < BYTE_BITS)) break;
      literal(pos++);
      current = next;
    }
    assert(current.distance >= 1 && current.distance <= DEFLATE_MAX_DISTANCE);
    assert(pos + current.length <= end_);
    *out++ = {uint16_t(current.length), uint16_t(current.distance)};
    ++parse.litlen_counts[deflate_length_symbol(current.length)];
    ++parse.distance_counts[deflate_distance_symbol(current.distance)];
    pos += current.length;
  }
  parse.symbols.resize(size_t(out - parse.symbols.data()));
}

}  // namespace cabwriter
