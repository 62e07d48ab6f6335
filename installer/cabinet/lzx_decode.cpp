// Verbatim and aligned-offset blocks: literals and matches into the window.
//
// Below position 257 every byte also goes to the window's tail and every match byte's source
// is masked. From 257 on a match source is masked once and read straight on: a source that
// runs past the window end reads the tail, which mirrors the window's start.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "lzx_state.h"

namespace lzx {

namespace {

struct Repeats {
  uint32_t r0, r1, r2;
};

// Turns a match's position slot into its offset and updates the repeated offsets. The reader
// holds at least 17 bits, or 21 in an aligned block.
template <bool kAligned>
inline uint32_t match_offset(DecoderState& s, BitReader& bits, Repeats& r, uint32_t slot) {
  uint32_t offset;
  if (slot < 3) {
    if (slot == 0) return r.r0;
    if (slot == 1) {
      offset = r.r1;
      r.r1 = r.r0;
    } else {
      offset = r.r2;
      r.r2 = r.r0;
    }
    r.r0 = offset;
    return offset;
  }
  uint32_t extra = SLOTS.extra[slot];
  offset = SLOTS.base[slot] - 2;
  if (kAligned && extra >= 3) {
    if (extra > 3) offset += bits.take(extra - 3) << 3;
    offset += decode_symbol(bits, s.aligned_table, ALIGNED_TABLE_BITS);
  } else if (extra > 0) {
    offset += bits.take(extra);
  }
  r.r2 = r.r1;
  r.r1 = r.r0;
  r.r0 = offset;
  return offset;
}

inline void prefetch(const uint8_t* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

// Decodes one literal or match with the mirror kept and every source byte masked.
template <bool kAligned>
bool careful_step(DecoderState& s, Repeats& r, uint32_t end) {
  BitReader& bits = s.bits;
  uint8_t* window = s.window;
  const uint32_t size = s.window_size;
  const uint32_t mask = s.window_mask;
  bits.refill();
  uint32_t symbol = decode_symbol(bits, s.main_table, MAIN_TABLE_BITS);
  uint32_t pos = s.position;
  if (symbol < NUM_CHARS) {
    window[pos] = uint8_t(symbol);
    if (pos < MIRROR_SPAN) window[size + pos] = uint8_t(symbol);
    s.position = pos + 1;
    return true;
  }
  symbol -= NUM_CHARS;
  uint32_t len = symbol & 7;
  if (len == NUM_PRIMARY_LENGTHS) len += decode_symbol(bits, s.length_table, LENGTH_TABLE_BITS);
  len += MIN_MATCH;
  bits.refill();
  uint32_t offset = match_offset<kAligned>(s, bits, r, symbol >> 3);
  if (len > end - pos) return false;
  uint32_t src = pos - offset;
  for (uint32_t i = 0; i < len; ++i, ++pos, ++src) {
    uint8_t b = window[src & mask];
    window[pos] = b;
    if (pos < MIRROR_SPAN) window[size + pos] = b;
  }
  s.position = pos;
  return true;
}

// What decoding one stretch left in s.sequences and s.literals.
struct Stretch {
  uint32_t sequences;
  uint32_t end;  // the position after its last sequence
  // The least distance from a match's position forward to its source (a source behind the
  // position counts as far ahead, the window wrapped): below WIDE, the match reads the oldest
  // bytes of the window, just past its own position.
  uint32_t nearest_oldest;
  bool ok;  // false: a match ran past the block; the sequences before it stand
};

// Decodes literals and matches from `pos` until the output reaches `stop`; a match may run past
// it, never past the block's `end`. Nothing is written to the window: sources are prefetched.
template <bool kAligned>
Stretch decode_stretch(DecoderState& s, Repeats& r, uint32_t pos, uint32_t stop, uint32_t end) {
  assert(stop - pos <= STRETCH && stop <= end);
  // The loop works on copies so the compiler can keep them in registers.
  BitReader bits = s.bits;
  const uint8_t* const window = s.window;
  const uint32_t mask = s.window_mask;
  const uint16_t* const main_table = s.main_table;
  const uint16_t* const length_table = s.length_table;
  uint8_t* literal = s.literals;
  const uint8_t* run_start = literal;
  Sequence* seq = s.sequences;
  uint32_t nearest_oldest = UINT32_MAX;
  bool ok = true;
  while (pos < stop) {
    // A refill leaves 56 bits: room for three main symbols of up to 16 bits, or for a main
    // symbol, a length symbol (16 bits) and an offset's bits (17, or 14 and an aligned symbol
    // of 7).
    bits.refill();
    uint32_t symbol = decode_symbol(bits, main_table, MAIN_TABLE_BITS);
    if (symbol < NUM_CHARS) {
      *literal++ = uint8_t(symbol);
      if (++pos == stop) break;
      symbol = decode_symbol(bits, main_table, MAIN_TABLE_BITS);
      if (symbol < NUM_CHARS) {
        *literal++ = uint8_t(symbol);
        if (++pos == stop) break;
        symbol = decode_symbol(bits, main_table, MAIN_TABLE_BITS);
        if (symbol < NUM_CHARS) {
          *literal++ = uint8_t(symbol);
          ++pos;
          continue;
        }
      }
      // A match after literals: what is left may not hold its length and offset.
      bits.refill();
    }
    symbol -= NUM_CHARS;
    uint32_t len = symbol & 7;
    if (len == NUM_PRIMARY_LENGTHS) len += decode_symbol(bits, length_table, LENGTH_TABLE_BITS);
    len += MIN_MATCH;
    const uint32_t offset = match_offset<kAligned>(s, bits, r, symbol >> 3);
    if (len > end - pos) {
      ok = false;
      break;
    }
    const uint32_t src = (pos - offset) & mask;
    prefetch(window + src);
    nearest_oldest = std::min(nearest_oldest, src - pos);
    seq->literals = uint16_t(literal - run_start);
    seq->length = uint16_t(len);
    seq->offset = offset;
    ++seq;
    run_start = literal;
    pos += len;
  }
  if (literal != run_start) *seq++ = Sequence{uint16_t(literal - run_start), 0, 0};
  assert(seq - s.sequences <= int(MAX_SEQUENCES) && literal - s.literals <= int(STRETCH));
  s.bits = bits;
  return Stretch{uint32_t(seq - s.sequences), pos, nearest_oldest, ok};
}

template <bool kAligned>
bool decode_block_bytes(DecoderState& s, uint32_t n) {
  const uint32_t end = s.position + n;
  Repeats r{s.r0, s.r1, s.r2};
  bool ok = true;
  while (ok && s.position < end && s.position < MIRROR_SPAN) ok = careful_step<kAligned>(s, r, end);

  // From here on nothing touches the mirror: stretches of symbols decoded, then written.
  while (ok && s.position < end) {
    const uint32_t start = s.position;
    const uint32_t stop = end - start > STRETCH ? start + STRETCH : end;
    const Stretch d = decode_stretch<kAligned>(s, r, start, stop, end);
    uint32_t written = write_sequences(s.window, s.window_mask, start, d.end, s.sequences,
                                       d.sequences, s.literals, d.nearest_oldest >= WIDE);
    assert(written == d.end);
    (void)written;
    s.position = d.end;
    ok = d.ok;
  }
  s.r0 = r.r0;
  s.r1 = r.r1;
  s.r2 = r.r2;
  return ok && !s.bits.overrun();
}

}  // namespace

bool decode_verbatim(DecoderState& s, uint32_t n) { return decode_block_bytes<false>(s, n); }
bool decode_aligned(DecoderState& s, uint32_t n) { return decode_block_bytes<true>(s, n); }

}  // namespace lzx
