#include "lzx_stream_encoder.h"

#include <algorithm>
#include <stdexcept>

#include "installer/cabinet/lzx_format.h"

namespace cabwriter {

namespace {

constexpr uint32_t MAX_BLOCK = (1u << 24) - 1;
// The matcher hashes three bytes: a block waits for two final bytes past its end so that its
// last positions are hashed too and later matches may start there. Bytes become final a
// whole frame at a time, whatever the pieces, so the output does not depend on the cut.
constexpr uint32_t LOOKAHEAD = 2;

const LzxOptions& checked(const LzxOptions& options) {
  if (options.window_bits < lzx::MIN_WINDOW_BITS || options.window_bits > lzx::MAX_WINDOW_BITS)
    throw std::invalid_argument("LZX window bits must be 15 to 21");
  if (options.e8_translation_size >= 0x80000000u)
    throw std::invalid_argument("translation size must be below 2^31");
  auto out_of_range = [](uint32_t size) { return size == 0 || size > MAX_BLOCK; };
  if (options.blocks.empty() ? out_of_range(options.block_size)
                             : std::any_of(options.blocks.begin(), options.blocks.end(),
                                           [&](const LzxBlockSpec& b) { return out_of_range(b.size); }))
    throw std::invalid_argument("LZX block size out of range");
  return options;
}

uint32_t main_symbols_of(uint32_t window_size) {
  return lzx::NUM_CHARS + 8 * lzx::slot_count(window_size);
}

}  // namespace

LzxStreamEncoder::LzxStreamEncoder(const LzxOptions& options, LzxStats* stats)
    : options_(checked(options)),
      stats_(stats),
      window_size_(1u << options.window_bits),
      history_(options.e8_translation_size),
      matcher_(history_, window_size_, options.max_chain, options.nice_length),
      writer_(main_symbols_of(window_size_), options.e8_translation_size) {}

LzxBlockSpec LzxStreamEncoder::next_planned() {
  if (options_.blocks.empty()) return {options_.block_kind, options_.block_size};
  LzxBlockSpec planned = options_.blocks[plan_index_];
  plan_index_ = (plan_index_ + 1) % options_.blocks.size();
  return planned;
}

void LzxStreamEncoder::feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) {
  if (finished_) throw std::logic_error("LZX stream fed after its end");
  // Taken a frame at a time, so that a large piece is not held whole.
  while (!piece.empty()) {
    size_t n = std::min<size_t>(piece.size(), lzx::FRAME_SIZE);
    history_.append(piece.first(n));
    piece = piece.subspan(n);
    encode_ready_blocks();
    sink_.take_complete(out);
  }
}

void LzxStreamEncoder::finish(std::vector<CompressedBlock>& out) {
  if (finished_) throw std::logic_error("LZX stream finished twice");
  finished_ = true;
  history_.close();
  encode_ready_blocks();
  for (CompressedBlock& block : sink_.finish()) out.push_back(std::move(block));
  if (stats_) stats_->frames = sink_.frames_closed();
}

void LzxStreamEncoder::encode_ready_blocks() {
  while (pos_ < history_.ready_end()) {
    if (!planned_) planned_ = next_planned();
    uint32_t size = planned_->size;
    if (history_.closed()) {
      size = std::min(size, history_.ready_end() - pos_);
    } else if (uint64_t(pos_) + size + LOOKAHEAD > history_.ready_end()) {
      return;
    }
    encode_block(planned_->kind, size);
    planned_.reset();
    // The window behind the next block stays; older bytes go a window's worth at a time.
    if (pos_ > window_size_) history_.release_before(pos_ - window_size_, window_size_);
  }
}

void LzxStreamEncoder::encode_block(LzxBlockKind kind, uint32_t size) {
  LzxRepeats after = reps_;
  std::vector<LzxToken> tokens = matcher_.tokenize(pos_, pos_ + size, lzx::FRAME_SIZE, after);
  LzxTrees trees = writer_.build_trees(tokens);
  if (kind == LzxBlockKind::Auto) {
    uint64_t verbatim = writer_.compressed_cost(tokens, trees, false);
    uint64_t aligned = writer_.compressed_cost(tokens, trees, true);
    uint64_t raw = writer_.uncompressed_cost(size);
    kind = aligned < verbatim ? LzxBlockKind::Aligned : LzxBlockKind::Verbatim;
    if (raw < std::min(verbatim, aligned)) kind = LzxBlockKind::Uncompressed;
  }
  LzxBlockInfo info;
  info.size = size;
  info.start = pos_;
  if (kind == LzxBlockKind::Uncompressed) {
    writer_.write_uncompressed(sink_, std::span<const uint8_t>(history_.at(pos_), size), reps_);
    info.type = lzx::BLOCK_UNCOMPRESSED;
  } else {
    bool aligned = kind == LzxBlockKind::Aligned;
    writer_.write_compressed(sink_, tokens, trees, aligned, size);
    reps_ = after;
    info.type = aligned ? lzx::BLOCK_ALIGNED : lzx::BLOCK_VERBATIM;
    if (aligned) std::copy_n(trees.aligned_lengths.begin(), 8, info.aligned_lengths);
  }
  if (stats_) stats_->blocks.push_back(info);
  pos_ += size;
}

}  // namespace cabwriter
