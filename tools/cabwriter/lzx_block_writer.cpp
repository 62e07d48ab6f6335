#include "lzx_block_writer.h"

#include <stdexcept>
#include <string>

#include "lzx_huffman_code.h"
#include "lzx_tree_writer.h"

namespace cabwriter {

namespace {

constexpr uint32_t MAX_FRAME_BYTES = lzx::FRAME_SIZE + 6144;  // the readers' input capacity

bool uses_aligned_bits(const LzxToken& t) {
  return t.match_length != 0 && t.slot >= 3 && lzx::SLOTS.extra[t.slot] >= 3;
}

}  // namespace

void LzxFrameSink::produced(uint32_t n) {
  in_frame_ += n;
  if (in_frame_ == lzx::FRAME_SIZE) close_frame();
}

void LzxFrameSink::close_frame() {
  bits_.flush();
  if (bytes_.size() > MAX_FRAME_BYTES)
    throw std::runtime_error("LZX frame of " + std::to_string(bytes_.size()) + " bytes for " +
                             std::to_string(in_frame_) + " does not fit a data block");
  CompressedBlock block;
  block.bytes = std::move(bytes_);
  block.uncompressed_size = uint16_t(in_frame_);
  frames_.push_back(std::move(block));
  ++frames_closed_;
  bytes_.clear();
  in_frame_ = 0;
}

void LzxFrameSink::take_complete(std::vector<CompressedBlock>& out) {
  for (CompressedBlock& block : frames_) out.push_back(std::move(block));
  frames_.clear();
}

std::vector<CompressedBlock> LzxFrameSink::finish() {
  if (in_frame_ != 0) close_frame();
  return std::move(frames_);
}

LzxBlockWriter::LzxBlockWriter(uint32_t main_symbols, uint32_t e8_translation_size)
    : main_symbols_(main_symbols),
      e8_size_(e8_translation_size),
      previous_main_(main_symbols, 0),
      previous_length_(lzx::LENGTH_SYMBOLS, 0) {}

LzxTrees LzxBlockWriter::build_trees(const std::vector<LzxToken>& tokens) const {
  std::vector<uint32_t> main(main_symbols_, 0), length(lzx::LENGTH_SYMBOLS, 0), aligned(8, 0);
  for (const LzxToken& t : tokens) {
    ++main[t.main_symbol];
    if (t.match_length == 0) continue;
    if (t.match_length - lzx::MIN_MATCH >= lzx::NUM_PRIMARY_LENGTHS) ++length[t.length_symbol];
    if (uses_aligned_bits(t)) ++aligned[t.extra & 7];
  }
  LzxTrees trees;
  trees.main_lengths = huffman_lengths(main, lzx::MAX_CODE_LENGTH);
  trees.length_lengths = huffman_lengths(length, lzx::MAX_CODE_LENGTH);
  trees.aligned_lengths = huffman_lengths(aligned, 7);
  bool any_aligned = false;
  for (uint8_t len : trees.aligned_lengths) any_aligned |= len != 0;
  if (!any_aligned) trees.aligned_lengths.assign(8, 3);
  trees.main_codes = canonical_codes(trees.main_lengths);
  trees.length_codes = canonical_codes(trees.length_lengths);
  trees.aligned_codes = canonical_codes(trees.aligned_lengths);
  return trees;
}

uint32_t LzxBlockWriter::header_bits() const {
  uint32_t bits = 3 + 24;
  if (first_header_) bits += e8_size_ ? 33 : 1;
  return bits;
}

uint64_t LzxBlockWriter::compressed_cost(const std::vector<LzxToken>& tokens,
                                         const LzxTrees& trees, bool aligned) const {
  uint64_t cost = header_bits() + (aligned ? 24 : 0);
  cost += write_length_run(nullptr, trees.main_lengths.data(), previous_main_.data(), 0, lzx::NUM_CHARS);
  cost += write_length_run(nullptr, trees.main_lengths.data(), previous_main_.data(), lzx::NUM_CHARS,
                           main_symbols_);
  cost += write_length_run(nullptr, trees.length_lengths.data(), previous_length_.data(), 0,
                           lzx::LENGTH_SYMBOLS);
  for (const LzxToken& t : tokens) {
    cost += trees.main_lengths[t.main_symbol];
    if (t.match_length == 0) continue;
    if (t.match_length - lzx::MIN_MATCH >= lzx::NUM_PRIMARY_LENGTHS)
      cost += trees.length_lengths[t.length_symbol];
    if (t.slot < 3) continue;
    uint32_t extra = lzx::SLOTS.extra[t.slot];
    cost += extra;
    if (aligned && extra >= 3) cost += trees.aligned_lengths[t.extra & 7] - 3;
  }
  return cost;
}

uint64_t LzxBlockWriter::uncompressed_cost(uint32_t size) const {
  return header_bits() + 16 + 96 + 8 * uint64_t(size) + 8 * (size & 1);
}

void LzxBlockWriter::write_header(LzxFrameSink& sink, uint32_t type, uint32_t size) {
  if (pending_pad_) sink.bytes().push_back(0);  // after an odd uncompressed block
  pending_pad_ = false;
  LzxBitWriter& bits = sink.bits();
  if (first_header_) {
    first_header_ = false;
    bits.put(e8_size_ ? 1 : 0, 1);
    if (e8_size_) {
      bits.put(e8_size_ >> 16, 16);
      bits.put(e8_size_ & 0xFFFF, 16);
    }
  }
  bits.put(type, 3);
  bits.put(size >> 16, 8);
  bits.put((size >> 8) & 0xFF, 8);
  bits.put(size & 0xFF, 8);
}

void LzxBlockWriter::write_compressed(LzxFrameSink& sink, const std::vector<LzxToken>& tokens,
                                      const LzxTrees& trees, bool aligned, uint32_t size) {
  write_header(sink, aligned ? lzx::BLOCK_ALIGNED : lzx::BLOCK_VERBATIM, size);
  LzxBitWriter& bits = sink.bits();
  if (aligned)
    for (uint8_t len : trees.aligned_lengths) bits.put(len, 3);
  write_length_run(&bits, trees.main_lengths.data(), previous_main_.data(), 0, lzx::NUM_CHARS);
  write_length_run(&bits, trees.main_lengths.data(), previous_main_.data(), lzx::NUM_CHARS,
                   main_symbols_);
  write_length_run(&bits, trees.length_lengths.data(), previous_length_.data(), 0, lzx::LENGTH_SYMBOLS);
  previous_main_ = trees.main_lengths;
  previous_length_ = trees.length_lengths;

  for (const LzxToken& t : tokens) {
    bits.put(trees.main_codes[t.main_symbol], trees.main_lengths[t.main_symbol]);
    if (t.match_length == 0) {
      sink.produced(1);
      continue;
    }
    if (t.match_length - lzx::MIN_MATCH >= lzx::NUM_PRIMARY_LENGTHS)
      bits.put(trees.length_codes[t.length_symbol], trees.length_lengths[t.length_symbol]);
    if (t.slot >= 3) {
      uint32_t extra = lzx::SLOTS.extra[t.slot];
      if (aligned && extra >= 3) {
        bits.put(t.extra >> 3, extra - 3);
        bits.put(trees.aligned_codes[t.extra & 7], trees.aligned_lengths[t.extra & 7]);
      } else {
        bits.put(t.extra, extra);
      }
    }
    sink.produced(t.match_length);
  }
}

void LzxBlockWriter::write_uncompressed(LzxFrameSink& sink, std::span<const uint8_t> data,
                                        const LzxRepeats& reps) {
  write_header(sink, lzx::BLOCK_UNCOMPRESSED, uint32_t(data.size()));
  sink.bits().align_for_bytes();
  for (uint32_t r : reps.r)
    for (int b = 0; b < 4; ++b) sink.bytes().push_back(uint8_t(r >> (8 * b)));
  size_t at = 0;
  while (at < data.size()) {
    size_t n = std::min<size_t>(sink.room_in_frame(), data.size() - at);
    sink.bytes().insert(sink.bytes().end(), data.begin() + at, data.begin() + at + n);
    at += n;
    sink.produced(uint32_t(n));
  }
  pending_pad_ = (data.size() & 1) != 0;
}

}  // namespace cabwriter
