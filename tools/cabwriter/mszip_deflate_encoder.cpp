#include "mszip_deflate_encoder.h"

#include <algorithm>
#include <stdexcept>

#include "installer/cabinet/codec.h"

namespace cabwriter {

namespace {

// By level 1..9: long chain, good, lazy, nice, short chain.
constexpr DeflateEffort EFFORTS[9] = {
    {4, 4, 4, 16, 2},        {8, 4, 8, 32, 4},       {16, 8, 16, 32, 4},
    {32, 8, 16, 64, 8},      {64, 8, 32, 128, 8},    {256, 16, 64, 258, 16},
    {1024, 32, 128, 258, 32}, {2048, 32, 258, 258, 64}, {4096, 64, 258, 258, 128},
};

}  // namespace

MszipDeflateEncoder::MszipDeflateEncoder(const MszipOptions& options) : level_(options.level) {
  if (level_ < 0 || level_ > 9) throw std::invalid_argument("MSZIP level must be 0 to 9");
  pending_.reserve(CAB_BLOCK_SIZE);
}

void MszipDeflateEncoder::feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) {
  while (!piece.empty()) {
    size_t n = std::min(piece.size(), CAB_BLOCK_SIZE - pending_.size());
    pending_.insert(pending_.end(), piece.begin(), piece.begin() + n);
    piece = piece.subspan(n);
    if (pending_.size() == CAB_BLOCK_SIZE) emit_block(out);
  }
}

void MszipDeflateEncoder::finish(std::vector<CompressedBlock>& out) {
  if (!pending_.empty()) emit_block(out);
}

void MszipDeflateEncoder::emit_block(std::vector<CompressedBlock>& out) {
  CompressedBlock block;
  block.uncompressed_size = uint16_t(pending_.size());
  if (level_ == 0) {
    write_stored_mszip_block(pending_, block.bytes);
  } else {
    const DeflateEffort& effort = EFFORTS[level_ - 1];
    matcher_.load_block(pending_);
    matcher_.parse_block(effort, three_byte_matches_, parse_);
    write_mszip_block(parse_, pending_, block.bytes);
    if (blocks_ % TRIAL_PERIOD == 0) {
      matcher_.parse_block(effort, !three_byte_matches_, other_parse_);
      other_bytes_.clear();
      write_mszip_block(other_parse_, pending_, other_bytes_);
      if (other_bytes_.size() < block.bytes.size()) {
        three_byte_matches_ = !three_byte_matches_;
        std::swap(parse_, other_parse_);
        block.bytes.swap(other_bytes_);
      }
    }
    matcher_.learn_prices(parse_);
    ++blocks_;
  }
  pending_.clear();
  out.push_back(std::move(block));
}

std::vector<CompressedBlock> encode_mszip(std::span<const uint8_t> stream, const MszipOptions& options) {
  MszipDeflateEncoder encoder(options);
  std::vector<CompressedBlock> blocks;
  blocks.reserve((stream.size() + CAB_BLOCK_SIZE - 1) / CAB_BLOCK_SIZE);
  encoder.feed(stream, blocks);
  encoder.finish(blocks);
  return blocks;
}

}  // namespace cabwriter
