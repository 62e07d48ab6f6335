// Verbatim and aligned-offset blocks: literals and matches into the window.
//
// Below position 257 every byte also goes to the window's tail and every match byte's source
// is masked. From 257 on a match source is masked once and read straight on: a source that
// runs past the window end reads the tail, which mirrors the window's start. There most
// matches are copied in whole 16-byte moves that may run past their end into the next
// COPY_OVERRUN bytes, not yet decoded; the only reader of those before they are decoded is a
// match whose source starts among them, in the window's older part, which reads the frame's
// saved old bytes instead.
#include <bit>
#include <cassert>
#include <cstring>

#include "lzx_state.h"

namespace lzx {

namespace {

struct Repeats {
  uint32_t r0, r1, r2;
};

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

// Copies a match whose source lies at least 16 bytes from it, before or after, in 16-byte
// moves: a move reads no byte that an earlier move of the match wrote, except as the match
// itself would (a source before it that runs into it). Writes up to COPY_OVERRUN - 1 bytes
// past the match's end, and may read as far past its source's.
inline void copy_match_over(uint8_t* dst, const uint8_t* src, uint32_t len) {
  assert((dst - src >= 16 || src - dst >= 16) && len > 0);
  std::memcpy(dst, src, 16);
  for (uint32_t done = 16; done < len; done += 16) std::memcpy(dst + done, src + done, 16);
}

// Copies a match whose source starts ahead of it in the window's older part, closer than
// COPY_OVERRUN: where earlier moves may have run. Those bytes come from the frame's saved old
// bytes, as they stood; past the window's end the source goes on at its start, which this
// frame may have rewritten.
inline void copy_match_ahead(const DecoderState& s, uint32_t pos, uint32_t src, uint32_t len) {
  assert(src >= pos && src < pos + COPY_OVERRUN && pos >= s.saved_start && pos >= MIRROR_SPAN);
  uint8_t* const window = s.window;
  for (uint32_t i = 0; i < len; ++i) {
    const uint32_t at = src + i;
    if (at >= s.window_size) {
      window[pos + i] = window[at - s.window_size];
    } else {
      window[pos + i] = at < s.saved_end ? s.saved[at - s.saved_start] : window[at];
    }
  }
}

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
    // Earlier moves may have run into the COPY_OVERRUN bytes from pos on, no further.
    const uint32_t src = (pos - offset) & mask;
    if (src + 16 <= pos || src >= pos + COPY_OVERRUN) {
      copy_match_over(window + pos, window + src, len);
    } else if (src < pos) {
      copy_match(window + pos, window + src, len);
    } else {
      copy_match_ahead(s, pos, src, len);
    }
    pos += len;
  }
  s.bits = bits;
  s.position = pos;
  s.r0 = r.r0;
  s.r1 = r.r1;
  s.r2 = r.r2;
  return ok && !s.bits.overrun();
}

}  // namespace

void save_frame_ahead(DecoderState& s, uint32_t length) {
  // A frame running past the window's end fails before anything is written there.
  const uint32_t room = s.window_size - s.position;
  s.saved_start = s.position;
  s.saved_end = s.position + (length < room ? length : room) + COPY_OVERRUN;
  std::memcpy(s.saved, s.window + s.saved_start, s.saved_end - s.saved_start);
}

void restore_frame_ahead(DecoderState& s) {
  // In the window's tail the mirror of its start as it stands now, which this frame may have
  // rewritten.
  const uint32_t size = s.window_size;
  uint32_t at = s.position;
  if (at < size && at < s.saved_end) {
    const uint32_t end = s.saved_end < size ? s.saved_end : size;
    std::memcpy(s.window + at, s.saved + (at - s.saved_start), end - at);
    at = end;
  }
  for (; at < s.saved_end; ++at) s.window[at] = s.window[at - size];
}

bool decode_verbatim(DecoderState& s, uint32_t n) { return decode_block_bytes<false>(s, n); }
bool decode_aligned(DecoderState& s, uint32_t n) { return decode_block_bytes<true>(s, n); }

}  // namespace lzx
