#include "lzx_encoder.h"

#include <stdexcept>

#include "installer/cabinet/lzx_format.h"
#include "lzx_block_writer.h"
#include "lzx_matcher.h"

namespace cabwriter {

namespace {

constexpr uint32_t MAX_BLOCK = (1u << 24) - 1;
constexpr uint32_t E8_FRAME_LIMIT = 32768;

class BlockPlan {
 public:
  explicit BlockPlan(const LzxOptions& options) : options_(options) {}

  LzxBlockSpec next() {
    LzxBlockSpec planned{options_.block_kind, options_.block_size};
    if (!options_.blocks.empty()) {
      planned = options_.blocks[index_];
      index_ = (index_ + 1) % options_.blocks.size();
    }
    if (planned.size == 0 || planned.size > MAX_BLOCK) throw std::invalid_argument("LZX block size out of range");
    return planned;
  }

 private:
  const LzxOptions& options_;
  size_t index_ = 0;
};

std::vector<uint8_t> translated(std::span<const uint8_t> stream, uint32_t size) {
  std::vector<uint8_t> data(stream.begin(), stream.end());
  if (size == 0) return data;
  uint32_t frame = 0;
  for (size_t at = 0; at < data.size() && frame < E8_FRAME_LIMIT; at += lzx::FRAME_SIZE, ++frame) {
    uint32_t length = uint32_t(std::min<size_t>(lzx::FRAME_SIZE, data.size() - at));
    lzx_e8_encode_frame(data.data() + at, length, uint32_t(at), size);
  }
  return data;
}

}  // namespace

std::vector<CompressedBlock> encode_lzx(std::span<const uint8_t> stream, const LzxOptions& options,
                                        LzxStats* stats) {
  if (options.window_bits < lzx::MIN_WINDOW_BITS || options.window_bits > lzx::MAX_WINDOW_BITS)
    throw std::invalid_argument("LZX window bits must be 15 to 21");
  if (stream.size() > 0x7FFFFFFF) throw std::invalid_argument("folder too large");
  if (options.e8_translation_size >= 0x80000000u)
    throw std::invalid_argument("translation size must be below 2^31");
  const uint32_t window_size = 1u << options.window_bits;
  const uint32_t main_symbols = lzx::NUM_CHARS + 8 * lzx::slot_count(window_size);

  std::vector<uint8_t> data = translated(stream, options.e8_translation_size);
  LzxMatcher matcher(data, window_size, options.max_chain, options.nice_length);
  LzxBlockWriter writer(main_symbols, options.e8_translation_size);
  LzxFrameSink sink;
  LzxRepeats reps;
  BlockPlan plan(options);

  uint32_t pos = 0;
  const uint32_t total = uint32_t(data.size());
  while (pos < total) {
    LzxBlockSpec planned = plan.next();
    uint32_t size = std::min(planned.size, total - pos);
    LzxRepeats after = reps;
    std::vector<LzxToken> tokens = matcher.tokenize(pos, pos + size, lzx::FRAME_SIZE, after);
    LzxTrees trees = writer.build_trees(tokens);

    LzxBlockKind kind = planned.kind;
    if (kind == LzxBlockKind::Auto) {
      uint64_t verbatim = writer.compressed_cost(tokens, trees, false);
      uint64_t aligned = writer.compressed_cost(tokens, trees, true);
      uint64_t raw = writer.uncompressed_cost(size);
      kind = aligned < verbatim ? LzxBlockKind::Aligned : LzxBlockKind::Verbatim;
      if (raw < std::min(verbatim, aligned)) kind = LzxBlockKind::Uncompressed;
    }
    LzxBlockInfo info;
    info.size = size;
    info.start = pos;
    if (kind == LzxBlockKind::Uncompressed) {
      writer.write_uncompressed(sink, std::span<const uint8_t>(data).subspan(pos, size), reps);
      info.type = lzx::BLOCK_UNCOMPRESSED;
    } else {
      bool aligned = kind == LzxBlockKind::Aligned;
      writer.write_compressed(sink, tokens, trees, aligned, size);
      reps = after;
      info.type = aligned ? lzx::BLOCK_ALIGNED : lzx::BLOCK_VERBATIM;
      if (aligned)
        for (int i = 0; i < 8; ++i) info.aligned_lengths[i] = trees.aligned_lengths[i];
    }
    if (stats) stats->blocks.push_back(info);
    pos += size;
  }
  std::vector<CompressedBlock> frames = sink.finish();
  if (stats) stats->frames = uint32_t(frames.size());
  return frames;
}

}  // namespace cabwriter
