// Decoding the Huffman-coded part of a deflate block: literals and matches.
//
// A fast loop runs while the input holds FAST_INPUT_ROOM more bytes and the block
// FAST_OUTPUT_ROOM more bytes of room; it checks neither bound inside. The last few hundred bytes of each go
// through careful_step, which checks every bound. Both give the same bytes and the same
// failures as the classic byte-at-a-time decoder.
#include <cassert>
#include <cstring>

#include "mszip_stream.h"
#include "mszip_tables.h"

namespace mszip {

namespace {

constexpr uint32_t MAX_MATCH = 258;
// One fast iteration produces at most a literal and then a whole match.
constexpr uint32_t FAST_OUTPUT_ROOM = 1 + MAX_MATCH;
// The fast loop runs only in a block of at least FAST_OUTPUT_ROOM bytes, whose history is as
// long: a literal's distance always lies in the window.
static_assert(LITERAL_DISTANCE < FAST_OUTPUT_ROOM);
// One fast iteration refills at most twice, each moving on at most 7 bytes and loading 8.
constexpr uint32_t FAST_INPUT_ROOM = 16;
constexpr uint32_t LITLEN_MASK = (1u << LITLEN_ROOT_BITS) - 1;
constexpr uint32_t DIST_MASK = (1u << DIST_ROOT_BITS) - 1;

inline void copy16(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 16); }
inline void copy8(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 8); }

// Copies a match of len bytes from dist bytes back. May write up to 31 bytes past out + len
// (into bytes not yet produced or the window's slack); every byte it reads was written before.
inline void copy_match(uint8_t* out, uint32_t dist, uint32_t len) {
  const uint8_t* src = out - dist;
  uint8_t* const end = out + len;
  if (dist >= 16) [[likely]] {
    // Two moves cover most matches without a branch on the length.
    copy16(out, src);
    copy16(out + 16, src + 16);
    for (out += 32, src += 32; out < end; out += 16, src += 16) copy16(out, src);
  } else if (dist >= 8) {
    for (; out < end; out += 8, src += 8) copy8(out, src);
  } else {
    // A short period: the first 8 bytes one at a time, then 8-byte moves from the nearest
    // multiple of the period at least 8 back, which repeats the same pattern.
    for (uint32_t i = 0; i < 8; ++i) out[i] = src[i];
    const uint32_t period = dist * ((8 + dist - 1) / dist);
    for (out += 8; out < end; out += 8) copy8(out, out - period);
  }
}

// Copies a match byte by byte, cut at the wanted count.
Step careful_copy(InflateStream& s, uint32_t len, uint32_t dist) {
  if (dist > s.history_size) return Step::Fail;
  uint32_t room = s.out_end - s.out_pos;
  if (len > room) len = room;  // the wanted count ends inside this match
  uint8_t* out = s.block + s.out_pos;
  const uint8_t* src = out - dist;
  for (uint32_t i = 0; i < len; ++i) out[i] = src[i];
  s.out_pos += len;
  return Step::Continue;
}

// Decodes one literal or match with every bound checked. Used near the ends of the buffers.
Step careful_step(InflateStream& s, const TableEntry* litlen, const TableEntry* dist_table) {
  if (s.out_pos == s.out_end) return Step::OutputFull;
  refill(s);
  TableEntry e = litlen[s.bits & LITLEN_MASK];
  if (e & ENTRY_LINK) e = linked_entry(litlen, e, s.bits, LITLEN_ROOT_BITS);
  uint64_t before = s.bits;
  take(s, entry_consumed(e));
  if (e & ENTRY_LITERAL) {
    s.block[s.out_pos++] = entry_literal(e);
    return Step::Continue;
  }
  if (e & ENTRY_EXCEPTIONAL) return entry_is_end(e) ? Step::BlockEnd : Step::Fail;
  if (e & ENTRY_WITH_DISTANCE) return careful_copy(s, entry_value(e), entry_distance(e, before));
  const uint32_t len = entry_base_plus_extra(e, before);
  refill(s);
  TableEntry d = dist_table[s.bits & DIST_MASK];
  if (d & ENTRY_LINK) d = linked_entry(dist_table, d, s.bits, DIST_ROOT_BITS);
  if (d & ENTRY_EXCEPTIONAL) return Step::Fail;
  before = s.bits;
  take(s, entry_consumed(d));
  return careful_copy(s, len, entry_base_plus_extra(d, before));
}

// The fast loop. State lives in locals: output bytes are stored through a byte pointer, which
// may alias anything the compiler cannot prove local, so a shared state would be reloaded
// after every byte.
//
// Literals and matches whose distance sits in the length's entry (most of them) take one path
// with no branch between them: a literal is a one-byte match whose byte is stored first and
// whose wide copy lands just past it, in bytes not yet produced. Binary content mixes literals
// and short matches with no pattern a branch predictor could learn.
//
// Each table lookup is made before the refill that follows it (its index bits are already in
// the buffer), and the next literal/length entry is looked up before a match is copied, so
// the table loads overlap the refills and the copies instead of waiting for them.
Step decode_fast(InflateStream& s, const TableEntry* litlen, const TableEntry* dist_table) {
  if (s.in_pos > s.in_size || s.in_size - s.in_pos < FAST_INPUT_ROOM ||
      s.out_end - s.out_pos < FAST_OUTPUT_ROOM)
    return Step::Continue;
  refill(s);
  const uint8_t* in = s.in + s.in_pos;
  const uint8_t* const in_last = s.in + s.in_size - FAST_INPUT_ROOM;
  uint8_t* out = s.block + s.out_pos;
  uint8_t* const out_last = s.block + s.out_end - FAST_OUTPUT_ROOM;
  [[maybe_unused]] const uint8_t* const window = s.block - s.history_size;
  const uint32_t history_size = s.history_size;
  uint64_t bits = s.bits;
  uint32_t count = s.bit_count;
  Step step = Step::Continue;

  // At most two refills per iteration, the first with in <= in_last: the 8-byte loads stay
  // inside the input.
  auto refill_fast = [&] {
    assert(in <= in_last + 7 && count < 64);
    bits |= load_le64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
  };
  auto consume = [&](TableEntry e) {
    assert(entry_consumed(e) <= count);
    bits >>= entry_consumed(e);
    count -= entry_consumed(e);
  };
  // A root entry needs LITLEN_ROOT_BITS in the buffer, its link the whole code.
  auto resolve_link = [&](TableEntry e, const TableEntry* table, int root_bits) {
    assert(count >= 15);
    return linked_entry(table, e, bits, root_bits);
  };

  TableEntry e = litlen[bits & LITLEN_MASK];
  // Invariant here: e is the root entry for the next code and count >= LITLEN_ROOT_BITS.
  while (in <= in_last && out <= out_last) {
    assert(count >= LITLEN_ROOT_BITS);
    refill_fast();  // at least 56 bits
    if (e & ENTRY_LINK) [[unlikely]] e = resolve_link(e, litlen, LITLEN_ROOT_BITS);
    const uint64_t before = bits;
    uint32_t len;
    uint32_t dist;
    uint32_t skip;  // 1 for a literal: its byte, then the copy past it
    if (e & (ENTRY_LITERAL | ENTRY_WITH_DISTANCE)) [[likely]] {
      // A literal, or a short length with its distance: at most 11 + 13 bits of the 56.
      consume(e);
      len = entry_value(e);
      dist = entry_distance(e, before);
      skip = (uint32_t(e) / ENTRY_LITERAL) & 1;
    } else {
      if (e & ENTRY_EXCEPTIONAL) [[unlikely]] {
        if (entry_is_end(e)) {
          consume(e);
          step = Step::BlockEnd;
        } else {
          step = Step::Fail;
        }
        break;
      }
      // A length code with its extra bits (at most 20 of the 56 bits), then the distance
      // entry, looked up before the refill that brings its extra bits.
      consume(e);
      len = entry_base_plus_extra(e, before);
      TableEntry d = dist_table[bits & DIST_MASK];
      refill_fast();
      if (d & ENTRY_LINK) [[unlikely]] d = resolve_link(d, dist_table, DIST_ROOT_BITS);
      if (d & ENTRY_EXCEPTIONAL) [[unlikely]] {
        step = Step::Fail;
        break;
      }
      const uint64_t before_dist = bits;
      consume(d);  // at most 28 bits: at least 28 are left
      dist = entry_base_plus_extra(d, before_dist);
      skip = 0;
    }
    if (dist > history_size) [[unlikely]] {
      step = Step::Fail;
      break;
    }
    *out = entry_literal(e);  // a match overwrites it
    e = litlen[bits & LITLEN_MASK];
    assert(out - dist >= window && len <= MAX_MATCH && (skip == 0 || len == 1));
    copy_match(out + skip, dist, len - skip);
    out += len;
  }
  assert(out <= s.block + s.out_end);
  s.in_pos = uint32_t(in - s.in);
  s.out_pos = uint32_t(out - s.block);
  s.bits = bits;
  s.bit_count = count;
  return step;
}

}  // namespace

Step decode_codes(InflateStream& s, const TableEntry* litlen, const TableEntry* dist_table) {
  for (;;) {
    Step step = decode_fast(s, litlen, dist_table);
    if (step != Step::Continue) return step;
    step = careful_step(s, litlen, dist_table);
    if (step != Step::Continue) return step;
  }
}

}  // namespace mszip
