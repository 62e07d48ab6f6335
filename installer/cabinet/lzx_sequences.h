// The second half of decoding a verbatim or aligned block: literal runs and matches, already
// decoded from the bits, written into the window.
//
// Decoding a stretch of symbols first and copying afterwards keeps the two apart: while the
// symbols are decoded, the sources of the matches (far back in a 2 MiB window, out of the
// nearest caches) are prefetched, and by the time they are copied they have arrived.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>

namespace lzx {

// A run of literals followed by a match; the stretch's last sequence may have no match
// (length 0).
struct Sequence {
  uint16_t literals;
  uint16_t length;
  uint32_t offset;
};

// Output decoded in one stretch at most; a match that starts inside it may run 256 bytes past.
constexpr uint32_t STRETCH = 16384;
// Sequences of one stretch: each match is at least 2 bytes, plus a closing literal run.
constexpr uint32_t MAX_SEQUENCES = (STRETCH + 256) / 2 + 2;
// Wide copies move 16 bytes at a time and may write up to 15 bytes past their end, and read
// as far past the end of the literals.
constexpr uint32_t WIDE = 16;
constexpr uint32_t LITERAL_SPACE = STRETCH + WIDE;

inline void copy16(uint8_t* dst, const uint8_t* src) {
  uint8_t chunk[16];
  std::memcpy(chunk, src, 16);
  std::memcpy(dst, chunk, 16);
}

inline void copy8(uint8_t* dst, const uint8_t* src) {
  uint8_t chunk[8];
  std::memcpy(chunk, src, 8);
  std::memcpy(dst, chunk, 8);
}

// Copies a match byte for byte in effect, writing nothing past its end. The source may lie
// before or after the destination; one that runs past the window end reads the tail. Chunks
// are used only when source and destination are at least 8 apart, so no chunk reads bytes it
// has just written.
inline void copy_match_exact(uint8_t* dst, const uint8_t* src, uint32_t len) {
  uintptr_t apart = dst > src ? uintptr_t(dst - src) : uintptr_t(src - dst);
  if (apart >= 8 && len >= 8) {
    uint8_t* end = dst + len;
    const uint8_t* src_end = src + len;
    while (dst + 8 < end) {
      copy8(dst, src);
      dst += 8;
      src += 8;
    }
    copy8(end - 8, src_end - 8);
  } else if (apart == 1 && dst > src) {
    std::memset(dst, *src, len);
  } else {
    for (uint32_t i = 0; i < len; ++i) dst[i] = src[i];
  }
}

// Copies a match whose source lies `distance` (at least 1) bytes before it, writing up to
// WIDE - 1 bytes past its end. Every chunk reads only bytes below the chunk it writes, so
// overlapping matches repeat their pattern as a byte-by-byte copy would.
inline void copy_match_wide(uint8_t* dst, uint32_t distance, uint32_t len) {
  assert(distance > 0);
  const uint8_t* src = dst - distance;
  if (distance >= 16) {
    copy16(dst, src);
    for (uint32_t k = 16; k < len; k += 16) copy16(dst + k, src + k);
  } else if (distance >= 8) {
    for (uint32_t k = 0; k < len; k += 8) copy8(dst + k, src + k);
  } else if (distance == 1) {
    std::memset(dst, *src, len);
  } else {
    for (uint32_t i = 0; i < len; ++i) dst[i] = src[i];
  }
}

// Writes sequences into the window from `pos` on; returns the position after them. With
// kWide, copies may write up to WIDE - 1 bytes past their end, which the next sequence
// overwrites; the caller keeps them below the stretch's end and out of the way of matches that
// read the window's oldest bytes.
template <bool kWide>
uint32_t write_runs(uint8_t* window, uint32_t mask, uint32_t pos, const Sequence* seq,
                    const Sequence* seq_end, const uint8_t*& literals) {
  for (; seq != seq_end; ++seq) {
    const uint32_t run = seq->literals;
    if (kWide) {
      // Runs are short: one chunk, whatever the run, and a loop only for longer ones.
      copy16(window + pos, literals);
      if (run > WIDE) [[unlikely]]
        for (uint32_t k = WIDE; k < run; k += WIDE) copy16(window + pos + k, literals + k);
    } else {
      std::memcpy(window + pos, literals, run);
    }
    pos += run;
    literals += run;

    const uint32_t len = seq->length;
    const uint32_t src = (pos - seq->offset) & mask;
    if (kWide && src < pos)
      copy_match_wide(window + pos, pos - src, len);
    else
      copy_match_exact(window + pos, window + src, len);
    pos += len;
  }
  return pos;
}

// Writes a stretch of `count` sequences from `pos` to `limit` (the stretch's end). `wide`: no
// match reads the window's oldest bytes just past its position, which wide copies overwrite
// early. Wide copies stop where less than WIDE bytes of the stretch would follow them.
inline uint32_t write_sequences(uint8_t* window, uint32_t mask, uint32_t pos, uint32_t limit,
                                const Sequence* seq, uint32_t count, const uint8_t* literals,
                                bool wide) {
  // The wide part ends where the sequences after it write at least WIDE bytes.
  uint32_t tail = 0;
  if (wide) {
    tail = count;
    uint32_t tail_bytes = 0;
    while (tail > 0 && tail_bytes < WIDE) {
      --tail;
      tail_bytes += seq[tail].literals + seq[tail].length;
    }
  }
  const Sequence* split = seq + tail;
  pos = write_runs<true>(window, mask, pos, seq, split, literals);
  assert(pos + WIDE <= limit || split == seq);
  pos = write_runs<false>(window, mask, pos, split, seq + count, literals);
  assert(pos == limit);
  (void)limit;
  return pos;
}

}  // namespace lzx
