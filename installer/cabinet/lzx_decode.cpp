// Verbatim and aligned-offset blocks: literals and matches into the window.
//
// Below position 257 every byte also goes to the window's tail and every match byte's source
// is masked. From 257 on a match source is masked once and read straight on: a source that
// runs past the window end reads the tail, which mirrors the window's start.
#include <bit>
#include <cassert>
#include <cstring>

#include "lzx_state.h"

namespace lzx {

namespace {

struct Repeats {
  uint32_t r0, r1, r2;
};

inline void prefetch(const uint8_t* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

// Copies a match whose source does not wrap (it may run into the tail). Chunks are used only
// when source and destination are at least 8 apart, so no chunk reads bytes it has just
// written and nothing is written past the match end: a match shorter than a chunk writes the
// bytes after it back as they stand (the window and its tail have room for the chunk).
inline void copy_match(uint8_t* dst, const uint8_t* src, uint32_t len) {
  uintptr_t apart = dst > src ? uintptr_t(dst - src) : uintptr_t(src - dst);
  if (apart >= 8 && len >= 8) {
    uint8_t* end = dst + len;
    const uint8_t* src_end = src + len;
    uint64_t chunk;
    while (dst + 8 < end) {
      std::memcpy(&chunk, src, 8);
      std::memcpy(dst, &chunk, 8);
      dst += 8;
      src += 8;
    }
    std::memcpy(&chunk, src_end - 8, 8);
    std::memcpy(end - 8, &chunk, 8);
  } else if (std::endian::native == std::endian::little && apart >= 8) {
    // Short matches are most of binary content's: one blended chunk, no loop to mispredict.
    assert(len > 0 && len < 8);
    uint64_t from, kept;
    std::memcpy(&from, src, 8);
    std::memcpy(&kept, dst, 8);
    const uint64_t mask = ~uint64_t(0) >> (64 - 8 * len);
    const uint64_t chunk = (from & mask) | (kept & ~mask);
    std::memcpy(dst, &chunk, 8);
  } else if (apart == 1 && dst > src) {
    std::memset(dst, *src, len);
  } else {
    for (uint32_t i = 0; i < len; ++i) dst[i] = src[i];
  }
}

// A match whose copy is put off until the next match, so that its source, likely far back in
// the window and out of the nearest caches, loads while the symbols after it are decoded.
// Only a source that lies wholly before its match is deferred: the bytes written meanwhile
// (literals) all lie past the match, so never within its source. Deferring further, with
// several copies in flight, measured slower.
class PendingCopy {
 public:
  void defer(uint8_t* window, uint32_t at, uint32_t from, uint32_t length) {
    assert(from < at && length > 0);
    finish(window);
    prefetch(window + from);
    prefetch(window + from + length - 1);
    pos_ = at;
    src_ = from;
    len_ = length;
  }
  void finish(uint8_t* window) {
    if (len_ == 0) return;
    copy_match(window + pos_, window + src_, len_);
    len_ = 0;
  }

 private:
  uint32_t pos_ = 0, src_ = 0, len_ = 0;
};

// A match's length and offset from its main-tree entry, already consumed. The entry says
// whether a length symbol follows and how the offset's extra bits are read, so no lookup
// stands between the main symbol and the next bits. The reader holds at least 53 bits (16 for
// a length symbol, 17 extra bits or 14 and an aligned symbol of at most 7).
template <bool kAligned>
inline uint32_t read_match(BitReader& bits, const uint16_t* length_table,
                           const uint16_t* aligned_table, Repeats& r, uint32_t entry,
                           uint32_t& offset) {
  uint32_t len = main_match_length(entry);
  if (entry & MAIN_LENGTH_FOLLOWS) len += decode_symbol(bits, length_table, LENGTH_TABLE_BITS);
  const uint32_t slot = main_slot(entry);
  if (slot < 3) {
    if (slot == 0) {
      offset = r.r0;
      return len;
    }
    if (slot == 1) {
      offset = r.r1;
      r.r1 = r.r0;
    } else {
      offset = r.r2;
      r.r2 = r.r0;
    }
    r.r0 = offset;
    return len;
  }
  offset = SLOTS.base[slot] - 2;
  // Up to 17 bits; none reads as zero.
  const uint32_t verbatim_bits = main_verbatim_bits(entry);
  const uint32_t verbatim = uint32_t((bits.buffer >> 1) >> (63 - verbatim_bits));
  bits.consume(verbatim_bits);
  if (kAligned && (entry & MAIN_ALIGNED)) {
    // Aligned codes are at most 7 bits: the table has no trees.
    const uint32_t aligned_entry = aligned_table[bits.buffer >> (64 - ALIGNED_TABLE_BITS)];
    assert(!is_node(aligned_entry));
    bits.consume(aligned_entry & LENGTH_MASK);
    offset += (verbatim << 3) + entry_index(aligned_entry);
  } else {
    offset += verbatim;
  }
  r.r2 = r.r1;
  r.r1 = r.r0;
  r.r0 = offset;
  return len;
}

// Decodes one literal or match with the mirror kept and every source byte masked.
template <bool kAligned>
bool careful_step(DecoderState& s, Repeats& r, uint32_t end) {
  BitReader& bits = s.bits;
  uint8_t* window = s.window;
  const uint32_t size = s.window_size;
  const uint32_t mask = s.window_mask;
  bits.refill();
  const uint32_t entry = lookup_entry(bits, s.main_table, MAIN_TABLE_BITS);
  bits.consume(main_consumed(entry));
  uint32_t pos = s.position;
  if (!(entry & MAIN_MATCH)) {
    window[pos] = main_literal(entry);
    if (pos < MIRROR_SPAN) window[size + pos] = main_literal(entry);
    s.position = pos + 1;
    return true;
  }
  bits.refill();
  uint32_t offset;
  const uint32_t len = read_match<kAligned>(bits, s.length_table, s.aligned_table, r, entry, offset);
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

template <bool kAligned>
bool decode_block_bytes(DecoderState& s, uint32_t n) {
  const uint32_t end = s.position + n;
  Repeats r{s.r0, s.r1, s.r2};
  bool ok = true;
  while (ok && s.position < end && s.position < MIRROR_SPAN) ok = careful_step<kAligned>(s, r, end);

  // The fast loop works on copies so the compiler can keep them in registers.
  BitReader bits = s.bits;
  uint8_t* const window = s.window;
  const uint32_t mask = s.window_mask;
  const uint32_t* const main_table = s.main_table;
  const uint16_t* const length_table = s.length_table;
  const uint16_t* const aligned_table = s.aligned_table;
  uint32_t pos = s.position;
  PendingCopy pending;
  while (ok && pos < end) {
    // A refill leaves 56 bits: room for three main symbols of up to 16 bits, or for a main
    // symbol and a match's length and offset.
    bits.refill();
    uint32_t entry = lookup_entry(bits, main_table, MAIN_TABLE_BITS);
    bits.consume(main_consumed(entry));
    if (!(entry & MAIN_MATCH)) {
      window[pos++] = main_literal(entry);
      if (pos == end) break;
      entry = lookup_entry(bits, main_table, MAIN_TABLE_BITS);
      bits.consume(main_consumed(entry));
      if (!(entry & MAIN_MATCH)) {
        window[pos++] = main_literal(entry);
        if (pos == end) break;
        entry = lookup_entry(bits, main_table, MAIN_TABLE_BITS);
        bits.consume(main_consumed(entry));
        if (!(entry & MAIN_MATCH)) {
          window[pos++] = main_literal(entry);
          continue;
        }
      }
      // A match after literals: what is left may not hold its length and offset.
      bits.refill();
    }
    uint32_t offset;
    const uint32_t len = read_match<kAligned>(bits, length_table, aligned_table, r, entry, offset);
    if (len > end - pos) {
      ok = false;
      break;
    }
    uint32_t src = (pos - offset) & mask;
    if (src < pos) {
      pending.defer(window, pos, src, len);  // runs the previous one first
    } else {
      // A source in the window's older part may be what the next bytes overwrite: copied now.
      pending.finish(window);
      copy_match(window + pos, window + src, len);
    }
    pos += len;
  }
  pending.finish(window);
  s.bits = bits;
  s.position = pos;
  s.r0 = r.r0;
  s.r1 = r.r1;
  s.r2 = r.r2;
  return ok && !s.bits.overrun();
}

}  // namespace

bool decode_verbatim(DecoderState& s, uint32_t n) { return decode_block_bytes<false>(s, n); }
bool decode_aligned(DecoderState& s, uint32_t n) { return decode_block_bytes<true>(s, n); }

}  // namespace lzx
