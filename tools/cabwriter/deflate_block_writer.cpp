#include "deflate_block_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cassert>
#include <stdexcept>

#include "deflate_bit_writer.h"
#include "lzx_huffman_code.h"

namespace cabwriter {

namespace {

constexpr uint32_t MAX_CODE_LENGTH = 15;
constexpr uint32_t MAX_CODE_LENGTH_CODE_LENGTH = 7;
constexpr uint32_t CODE_LENGTH_SYMBOLS = 19;
constexpr uint8_t REPEAT_PREVIOUS = 16, REPEAT_ZERO_SHORT = 17, REPEAT_ZERO_LONG = 18;
constexpr uint8_t REPEAT_EXTRA_BITS[3] = {2, 3, 7};
// Halves shorter than this are not worth a code of their own.
constexpr size_t MIN_SPLIT_SYMBOLS = 1024;
constexpr size_t SPLIT_POINTS = 8;

// A code ready to write: lengths and the codes bit-reversed, as the format sends them.
struct Code {
  std::vector<uint8_t> lengths;
  std::vector<uint16_t> reversed;
};

Code make_code(std::vector<uint8_t> lengths) {
  std::vector<uint32_t> codes = canonical_codes(lengths);
  Code code{std::move(lengths), std::vector<uint16_t>(codes.size(), 0)};
  for (size_t s = 0; s < codes.size(); ++s) {
    uint32_t r = 0;
    for (uint32_t i = 0; i < code.lengths[s]; ++i) r |= ((codes[s] >> i) & 1) << (code.lengths[s] - 1 - i);
    code.reversed[s] = uint16_t(r);
  }
  return code;
}

// How often each code symbol occurs in a run of symbols, its end of block included.
struct SymbolCounts {
  std::array<uint32_t, DEFLATE_LITLEN_SYMBOLS> litlen{};
  std::array<uint32_t, DEFLATE_DISTANCE_SYMBOLS> distance{};
};

void add_counts(std::span<const DeflateSymbol> symbols, SymbolCounts& counts) {
  for (const DeflateSymbol& s : symbols) {
    if (s.distance == 0) {
      ++counts.litlen[s.length_or_byte];
    } else {
      ++counts.litlen[deflate_length_symbol(s.length_or_byte)];
      ++counts.distance[deflate_distance_symbol(s.distance)];
    }
  }
}

// About the bits of the counted symbols under codes made for them, extra bits not included.
double entropy_bits(const SymbolCounts& counts) {
  auto sum = [](std::span<const uint32_t> c) {
    double total = 0, weighted = 0;
    for (uint32_t n : c) {
      if (n == 0) continue;
      total += n;
      weighted += n * std::log2(double(n));
    }
    return total > 0 ? total * std::log2(total) - weighted : 0.0;
  };
  return sum(counts.litlen) + sum(counts.distance);
}

struct CodeLengthToken {
  uint8_t symbol;  // 0..15 a length, 16..18 a repeat
  uint8_t extra;   // the repeat count's extra bits
};

// A dynamic block's codes and the header that describes them.
struct DynamicHeader {
  Code litlen, distance, code_length;
  uint32_t hlit = 0, hdist = 0, hclen = 0;
  std::vector<CodeLengthToken> tokens;
  uint64_t bits = 0;
};

// Run-length codes for the lengths of both codes, sent as one sequence.
std::vector<CodeLengthToken> run_length_tokens(const std::vector<uint8_t>& lengths) {
  std::vector<CodeLengthToken> tokens;
  for (size_t i = 0; i < lengths.size();) {
    uint8_t value = lengths[i];
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == value) ++run;
    i += run;
    if (value == 0) {
      while (run >= 11) {
        size_t n = std::min<size_t>(run, 138);
        tokens.push_back({REPEAT_ZERO_LONG, uint8_t(n - 11)});
        run -= n;
      }
      if (run >= 3) {
        tokens.push_back({REPEAT_ZERO_SHORT, uint8_t(run - 3)});
        run = 0;
      }
    } else {
      tokens.push_back({value, 0});
      --run;
      while (run >= 3) {
        size_t n = std::min<size_t>(run, 6);
        tokens.push_back({REPEAT_PREVIOUS, uint8_t(n - 3)});
        run -= n;
      }
    }
    for (; run > 0; --run) tokens.push_back({value, 0});
  }
  return tokens;
}

// Bits of the symbols under the given code lengths, extra bits not included (they are the
// same whatever the code).
uint64_t coded_bits(std::span<const uint32_t> counts, std::span<const uint8_t> lengths) {
  uint64_t bits = 0;
  for (size_t s = 0; s < counts.size(); ++s) bits += uint64_t(counts[s]) * lengths[s];
  return bits;
}

uint64_t extra_bits(const SymbolCounts& counts) {
  uint64_t bits = 0;
  for (uint32_t s = 257; s < DEFLATE_LITLEN_SYMBOLS; ++s)
    bits += uint64_t(counts.litlen[s]) * deflate::LENGTH_EXTRA[s - 257];
  for (uint32_t s = 0; s < DEFLATE_DISTANCE_SYMBOLS; ++s)
    bits += uint64_t(counts.distance[s]) * deflate::DIST_EXTRA[s];
  return bits;
}

DynamicHeader dynamic_header(const SymbolCounts& counts) {
  DynamicHeader h;
  std::vector<uint32_t> litlen_counts(counts.litlen.begin(), counts.litlen.end());
  std::vector<uint32_t> distance_counts(counts.distance.begin(), counts.distance.end());
  // A block of literals still sends a distance code; two 1-bit codes keep it complete.
  if (std::all_of(distance_counts.begin(), distance_counts.end(), [](uint32_t c) { return c == 0; }))
    distance_counts[0] = distance_counts[1] = 1;
  h.litlen = make_code(huffman_lengths(litlen_counts, MAX_CODE_LENGTH));
  h.distance = make_code(huffman_lengths(distance_counts, MAX_CODE_LENGTH));
  h.hlit = DEFLATE_LITLEN_SYMBOLS;
  while (h.hlit > 257 && h.litlen.lengths[h.hlit - 1] == 0) --h.hlit;
  h.hdist = DEFLATE_DISTANCE_SYMBOLS;
  while (h.hdist > 1 && h.distance.lengths[h.hdist - 1] == 0) --h.hdist;

  std::vector<uint8_t> all(h.litlen.lengths.begin(), h.litlen.lengths.begin() + h.hlit);
  all.insert(all.end(), h.distance.lengths.begin(), h.distance.lengths.begin() + h.hdist);
  h.tokens = run_length_tokens(all);
  std::vector<uint32_t> token_counts(CODE_LENGTH_SYMBOLS, 0);
  for (const CodeLengthToken& t : h.tokens) ++token_counts[t.symbol];
  h.code_length = make_code(huffman_lengths(token_counts, MAX_CODE_LENGTH_CODE_LENGTH));
  h.hclen = CODE_LENGTH_SYMBOLS;
  while (h.hclen > 4 && h.code_length.lengths[deflate::CODE_LENGTH_ORDER[h.hclen - 1]] == 0) --h.hclen;

  h.bits = 5 + 5 + 4 + 3 * h.hclen + coded_bits(token_counts, h.code_length.lengths);
  for (const CodeLengthToken& t : h.tokens)
    if (t.symbol >= REPEAT_PREVIOUS) h.bits += REPEAT_EXTRA_BITS[t.symbol - REPEAT_PREVIOUS];
  return h;
}

const Code& fixed_litlen() {
  static const Code code = [] {
    std::vector<uint8_t> lengths(288);
    for (uint32_t s = 0; s < 288; ++s) lengths[s] = deflate::fixed_litlen_length(s);
    return make_code(std::move(lengths));
  }();
  return code;
}

const Code& fixed_distance() {
  static const Code code = make_code(std::vector<uint8_t>(30, deflate::FIXED_DISTANCE_LENGTH));
  return code;
}

void write_symbols(DeflateBitWriter& bits, std::span<const DeflateSymbol> symbols, const Code& litlen,
                   const Code& distance) {
  for (const DeflateSymbol& s : symbols) {
    if (s.distance == 0) {
      bits.put(litlen.reversed[s.length_or_byte], litlen.lengths[s.length_or_byte]);
      continue;
    }
    uint32_t ls = deflate_length_symbol(s.length_or_byte);
    bits.put(litlen.reversed[ls], litlen.lengths[ls]);
    bits.put(s.length_or_byte - deflate::LENGTH_BASE[ls - 257], deflate::LENGTH_EXTRA[ls - 257]);
    uint32_t ds = deflate_distance_symbol(s.distance);
    bits.put(distance.reversed[ds], distance.lengths[ds]);
    bits.put(s.distance - deflate::DIST_BASE[ds], deflate::DIST_EXTRA[ds]);
  }
  bits.put(litlen.reversed[DEFLATE_END_OF_BLOCK], litlen.lengths[DEFLATE_END_OF_BLOCK]);
}

void write_dynamic_header(DeflateBitWriter& bits, const DynamicHeader& h) {
  bits.put(h.hlit - 257, 5);
  bits.put(h.hdist - 1, 5);
  bits.put(h.hclen - 4, 4);
  for (uint32_t i = 0; i < h.hclen; ++i) bits.put(h.code_length.lengths[deflate::CODE_LENGTH_ORDER[i]], 3);
  for (const CodeLengthToken& t : h.tokens) {
    bits.put(h.code_length.reversed[t.symbol], h.code_length.lengths[t.symbol]);
    if (t.symbol >= REPEAT_PREVIOUS) bits.put(t.extra, REPEAT_EXTRA_BITS[t.symbol - REPEAT_PREVIOUS]);
  }
}

}  // namespace

void write_stored_mszip_block(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
  if (bytes.size() > 0xFFFF) throw std::invalid_argument("a stored deflate block holds at most 65535 bytes");
  out.push_back('C');
  out.push_back('K');
  DeflateBitWriter bits(out, 1 + 4 + bytes.size());
  bits.put(1, 1);
  bits.put(0, 2);
  bits.align();
  uint16_t n = uint16_t(bytes.size());
  bits.put(n | uint32_t(uint16_t(~n)) << 16, 32);
  bits.put_bytes(bytes.data(), bytes.size());
  bits.finish();
}

namespace {

// A compressed deflate block for a run of symbols: the cheaper of a dynamic and a fixed code.
struct CodedBlock {
  std::span<const DeflateSymbol> symbols;
  DynamicHeader dynamic;
  bool fixed = false;
  uint64_t bits = 0;  // the 3 header bits included
};

CodedBlock plan_block(std::span<const DeflateSymbol> symbols, const SymbolCounts& counts) {
  CodedBlock block{symbols, dynamic_header(counts)};
  const uint64_t extra = extra_bits(counts);
  const uint64_t dynamic_bits = 3 + block.dynamic.bits + coded_bits(counts.litlen, block.dynamic.litlen.lengths) +
                                coded_bits(counts.distance, block.dynamic.distance.lengths) + extra;
  const uint64_t fixed_bits = 3 + coded_bits(counts.litlen, std::span(fixed_litlen().lengths).first(DEFLATE_LITLEN_SYMBOLS)) +
                              coded_bits(counts.distance, fixed_distance().lengths) + extra;
  block.fixed = fixed_bits <= dynamic_bits;
  block.bits = std::min(fixed_bits, dynamic_bits);
  return block;
}

void write_coded_block(DeflateBitWriter& bits, const CodedBlock& block, bool final) {
  bits.put(final ? 1 : 0, 1);
  if (block.fixed) {
    bits.put(1, 2);
    write_symbols(bits, block.symbols, fixed_litlen(), fixed_distance());
  } else {
    bits.put(2, 2);
    write_dynamic_header(bits, block.dynamic);
    write_symbols(bits, block.symbols, block.dynamic.litlen, block.dynamic.distance);
  }
}

// A block whose content changes along the way (code, then tables, then strings, as in
// programs) codes smaller in two parts, each with a code of its own, than under one code for
// the whole. Split points lie at eighths of the symbols, the counts before each from one pass;
// each is judged by the entropy of its two parts (building their codes for all of them would
// cost more than the parse), and the best is then priced in full against the whole.
std::vector<CodedBlock> plan_blocks(std::span<const DeflateSymbol> symbols, const SymbolCounts& whole) {
  std::vector<CodedBlock> plan{plan_block(symbols, whole)};
  if (symbols.size() < 2 * MIN_SPLIT_SYMBOLS) return plan;
  SymbolCounts before, best_before, best_after;
  before.litlen[DEFLATE_END_OF_BLOCK] = 1;
  size_t counted = 0, best_at = 0;
  double best_entropy = 0;
  for (size_t point = 1; point < SPLIT_POINTS; ++point) {
    const size_t at = symbols.size() * point / SPLIT_POINTS;
    add_counts(symbols.subspan(counted, at - counted), before);
    counted = at;
    SymbolCounts after = whole;
    for (size_t s = 0; s < DEFLATE_LITLEN_SYMBOLS; ++s) after.litlen[s] -= before.litlen[s];
    for (size_t s = 0; s < DEFLATE_DISTANCE_SYMBOLS; ++s) after.distance[s] -= before.distance[s];
    after.litlen[DEFLATE_END_OF_BLOCK] = 1;
    const double entropy = entropy_bits(before) + entropy_bits(after);
    if (best_at == 0 || entropy < best_entropy) {
      best_at = at;
      best_entropy = entropy;
      best_before = before;
      best_after = after;
    }
  }
  std::vector<CodedBlock> parts{plan_block(symbols.first(best_at), best_before),
                                plan_block(symbols.subspan(best_at), best_after)};
  if (parts[0].bits + parts[1].bits < plan[0].bits) plan = std::move(parts);
  return plan;
}

}  // namespace

DeflateBlockType write_mszip_block(const DeflateParse& parse, std::span<const uint8_t> bytes,
                                   std::vector<uint8_t>& out) {
  if (bytes.size() > 0xFFFF) throw std::invalid_argument("a stored deflate block holds at most 65535 bytes");
  SymbolCounts whole;
  std::copy(parse.litlen_counts.begin(), parse.litlen_counts.end(), whole.litlen.begin());
  std::copy(parse.distance_counts.begin(), parse.distance_counts.end(), whole.distance.begin());
  const std::vector<CodedBlock> plan = plan_blocks(parse.symbols, whole);
  uint64_t coded_bits_total = 0;
  for (const CodedBlock& block : plan) coded_bits_total += block.bits;
  const uint64_t stored_bits = 8 * (1 + 4 + uint64_t(bytes.size()));

  if (stored_bits <= coded_bits_total) {
    write_stored_mszip_block(bytes, out);
    return DeflateBlockType::Stored;
  }
  out.push_back('C');
  out.push_back('K');
  DeflateBitWriter bits(out, (coded_bits_total + 7) / 8);
  for (size_t i = 0; i < plan.size(); ++i) write_coded_block(bits, plan[i], i + 1 == plan.size());
  bits.finish();
  return plan[0].fixed ? DeflateBlockType::Fixed : DeflateBlockType::Dynamic;
}

}  // namespace cabwriter
