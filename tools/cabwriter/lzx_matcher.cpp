#include "lzx_matcher.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "installer/cabinet/lzx_format.h"

namespace cabwriter {

namespace {

constexpr uint32_t HASH_BITS = 16;

int bits_needed(uint32_t slot) { return lzx::SLOTS.extra[slot]; }

// Rough cost in bits of coding `length` bytes as a match rather than as literals.
int score_of(uint32_t length, int offset_bits) { return int(length) * 8 - offset_bits; }

}  // namespace

uint32_t lzx_slot_of(uint32_t offset) {
  uint32_t formatted = offset + 2;
  const uint32_t* base = lzx::SLOTS.base;
  uint32_t slot = uint32_t(std::upper_bound(base, base + lzx::MAX_SLOTS + 1, formatted) - base) - 1;
  return slot;
}

LzxMatcher::LzxMatcher(const LzxHistory& history, uint32_t window_size, uint32_t max_chain,
                       uint32_t nice_length)
    : history_(history),
      window_size_(window_size),
      max_offset_(window_size - 3),
      max_chain_(max_chain),
      nice_length_(nice_length),
      head_(1u << HASH_BITS, -1),
      previous_(window_size, -1) {}

uint32_t LzxMatcher::hash_at(uint32_t pos) const {
  const uint8_t* p = history_.at(pos);
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  return (v * 2654435761u) >> (32 - HASH_BITS);
}

void LzxMatcher::insert(uint32_t pos) {
  if (pos + 3 > history_.ready_end()) return;
  uint32_t h = hash_at(pos);
  previous_[pos & (window_size_ - 1)] = head_[h];
  head_[h] = int32_t(pos);
}

uint32_t LzxMatcher::match_length(uint32_t pos, uint32_t offset, uint32_t max_length) const {
  const uint8_t* a = history_.at(pos);
  const uint8_t* b = a - offset;
  uint32_t n = 0;
  // Eight bytes at a time; the first differing byte is the lowest differing one in memory.
  for (; n + 8 <= max_length; n += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) {
      uint64_t diff = x ^ y;
      if constexpr (std::endian::native == std::endian::little)
        return n + uint32_t(std::countr_zero(diff)) / 8;
      else
        return n + uint32_t(std::countl_zero(diff)) / 8;
    }
  }
  while (n < max_length && a[n] == b[n]) ++n;
  return n;
}

LzxMatcher::Choice LzxMatcher::best_at(uint32_t pos, uint32_t max_length,
                                       const LzxRepeats& reps) const {
  Choice best;
  if (max_length < lzx::MIN_MATCH) return best;
  for (int i = 0; i < 3; ++i) {
    uint32_t offset = reps.r[i];
    if (offset == 0 || offset > pos || offset >= window_size_) continue;
    uint32_t len = match_length(pos, offset, max_length);
    int score = score_of(len, 2 + i);
    if (len >= lzx::MIN_MATCH && score > best.score) best = {len, offset, i, score};
  }
  if (max_length < 3 || pos + 3 > history_.ready_end()) return best;

  int32_t candidate = head_[hash_at(pos)];
  uint32_t longest = best.length;
  for (uint32_t chain = max_chain_; candidate >= 0 && chain > 0; --chain) {
    uint32_t offset = pos - uint32_t(candidate);
    if (offset > max_offset_) break;
    if (longest >= max_length) break;
    const uint8_t* a = history_.at(pos);
    const uint8_t* b = history_.at(uint32_t(candidate));
    if (b[longest] == a[longest]) {
      uint32_t len = match_length(pos, offset, max_length);
      if (len >= 3 && len > longest) {
        longest = len;
        int score = score_of(len, 8 + bits_needed(lzx_slot_of(offset)));
        if (score > best.score) best = {len, offset, -1, score};
        if (len >= nice_length_ || len == max_length) break;
      }
    }
    candidate = previous_[uint32_t(candidate) & (window_size_ - 1)];
  }
  if (best.repeat < 0 && best.length != 0) {
    for (int i = 0; i < 3; ++i)
      if (reps.r[i] == best.offset) best.repeat = i;
  }
  return best;
}

std::vector<LzxToken> LzxMatcher::tokenize(uint32_t begin, uint32_t end, uint32_t frame,
                                           LzxRepeats& reps) {
  std::vector<LzxToken> tokens;
  tokens.reserve(end - begin);
  while (inserted_ < begin) insert(inserted_++);
  uint32_t pos = begin;
  auto limit_at = [&](uint32_t p) {
    uint32_t frame_end = (p / frame + 1) * frame;
    uint32_t stop = std::min(end, frame_end);
    return std::min<uint32_t>(stop - p, lzx::MAX_MATCH);
  };
  while (pos < end) {
    Choice choice = best_at(pos, limit_at(pos), reps);
    insert(pos);
    inserted_ = pos + 1;
    if (choice.length != 0 && choice.length < nice_length_ && pos + 1 < end) {
      Choice next = best_at(pos + 1, limit_at(pos + 1), reps);
      if (next.score > choice.score + 8) choice.length = 0;
    }
    if (choice.length == 0) {
      tokens.push_back({*history_.at(pos), 0, 0, 0, 0});
      ++pos;
      continue;
    }
    LzxToken t{};
    t.match_length = uint16_t(choice.length);
    uint32_t header = std::min<uint32_t>(choice.length - lzx::MIN_MATCH, lzx::NUM_PRIMARY_LENGTHS);
    if (header == lzx::NUM_PRIMARY_LENGTHS)
      t.length_symbol = uint16_t(choice.length - lzx::MIN_MATCH - lzx::NUM_PRIMARY_LENGTHS);
    if (choice.repeat >= 0) {
      t.slot = uint8_t(choice.repeat);
      std::swap(reps.r[0], reps.r[choice.repeat]);
    } else {
      t.slot = uint8_t(lzx_slot_of(choice.offset));
      t.extra = choice.offset + 2 - lzx::SLOTS.base[t.slot];
      reps.r[2] = reps.r[1];
      reps.r[1] = reps.r[0];
      reps.r[0] = choice.offset;
    }
    t.main_symbol = uint16_t(lzx::NUM_CHARS + t.slot * 8 + header);
    tokens.push_back(t);
    for (uint32_t p = pos + 1; p < pos + choice.length; ++p) insert(p);
    pos += choice.length;
    inserted_ = pos;
  }
  return tokens;
}

}  // namespace cabwriter
