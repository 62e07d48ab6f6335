// LZX compression fed in pieces. It holds the window, the block being encoded and at most one
// block's worth of bytes ahead of it: about 2 window sizes plus 2 block sizes in all, whatever
// the stream's length. Its output does not depend on how the stream is cut: it is the same as
// encode_lzx's for the whole stream.
#pragma once

#include <cstdint>
#include <optional>

#include "lzx_block_writer.h"
#include "lzx_encoder.h"
#include "lzx_history.h"
#include "lzx_matcher.h"
#include "stream_encoder.h"

namespace cabwriter {

class LzxStreamEncoder final : public StreamEncoder {
 public:
  // Throws std::invalid_argument for options out of range. `stats`, when given, receives each
  // block as it is written and the frame count at finish(); it must outlive the encoder.
  explicit LzxStreamEncoder(const LzxOptions& options, LzxStats* stats = nullptr);

  // Throws std::runtime_error past 2^31 - 1 bytes of stream, or for a frame that outgrows a
  // data block (tiny uncompressed blocks in the plan).
  void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) override;
  void finish(std::vector<CompressedBlock>& out) override;

 private:
  void encode_ready_blocks();
  void encode_block(LzxBlockKind kind, uint32_t size);
  LzxBlockSpec next_planned();

  LzxOptions options_;
  LzxStats* stats_;
  uint32_t window_size_;
  LzxHistory history_;
  LzxMatcher matcher_;
  LzxBlockWriter writer_;
  LzxFrameSink sink_;
  LzxRepeats reps_;
  size_t plan_index_ = 0;
  std::optional<LzxBlockSpec> planned_;  // the next block, once drawn from the plan
  uint32_t pos_ = 0;                     // stream offset of the next block
  bool finished_ = false;
};

}  // namespace cabwriter
