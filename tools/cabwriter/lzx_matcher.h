// Turns a stretch of the folder's stream into LZX literals and matches: hash chains for new
// offsets, the three repeated offsets tried first, one step of lazy evaluation.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "lzx_history.h"

namespace cabwriter {

struct LzxToken {
  uint16_t main_symbol;    // literal byte, or 256 + slot * 8 + length header
  uint16_t length_symbol;  // length tree symbol when the length header is 7
  uint16_t match_length;   // 0 for a literal
  uint8_t slot;
  uint32_t extra;  // offset bits beyond the slot's base
};

struct LzxRepeats {
  uint32_t r[3] = {1, 1, 1};
};

class LzxMatcher {
 public:
  // `history` is read, not owned, and must outlive the matcher.
  LzxMatcher(const LzxHistory& history, uint32_t window_size, uint32_t max_chain,
             uint32_t nice_length);

  // Tokens for [begin, end); matches never cross a multiple of `frame` past begin nor end.
  // Positions must be tokenized in order, each once. The history must hold the window before
  // `begin`, and [begin, end) must be final; positions within two bytes of ready_end() go
  // without a hash, so a caller that wants the same tokens however the stream was fed waits
  // for two final bytes past `end` unless the stream has ended.
  std::vector<LzxToken> tokenize(uint32_t begin, uint32_t end, uint32_t frame, LzxRepeats& reps);

 private:
  struct Choice {
    uint32_t length = 0;
    uint32_t offset = 0;
    int repeat = -1;  // 0..2 when a repeated offset is used
    int score = 0;
  };

  uint32_t hash_at(uint32_t pos) const;
  void insert(uint32_t pos);
  uint32_t match_length(uint32_t pos, uint32_t offset, uint32_t max_length) const;
  Choice best_at(uint32_t pos, uint32_t max_length, const LzxRepeats& reps) const;

  const LzxHistory& history_;
  uint32_t window_size_;
  uint32_t max_offset_;
  uint32_t max_chain_;
  uint32_t nice_length_;
  uint32_t inserted_ = 0;  // positions below this are in the chains
  std::vector<int32_t> head_;
  std::vector<int32_t> previous_;
};

// Slot of a match offset (offset + 2 falls within the slot's range).
uint32_t lzx_slot_of(uint32_t offset);

}  // namespace cabwriter
