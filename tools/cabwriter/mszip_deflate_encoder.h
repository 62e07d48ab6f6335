// MSZIP written by our own deflate encoder, fed in pieces (see stream_encoder.h).
//
// Each 32 KiB block is parsed as soon as it is complete, with the previous block as its only
// history, so the output depends on the stream alone: it is the same however the stream is
// cut into pieces, and the same as encode_mszip() of the whole stream with the same options.
//
// Whether 3-byte matches pay depends on the content: in programs they do, in tables of
// records they lead the statistics astray. Every TRIAL_PERIOD-th block is parsed both ways
// and the smaller kept; the blocks up to the next trial follow its choice.
// Holds about 1.8 MiB (window, chains, two parses of a block) whatever the stream's length.
#pragma once

#include <vector>

#include "deflate_block_writer.h"
#include "deflate_matcher.h"
#include "folder_encoder.h"
#include "stream_encoder.h"

namespace cabwriter {

class MszipDeflateEncoder final : public StreamEncoder {
 public:
  // Throws std::invalid_argument for a level outside 0..9.
  explicit MszipDeflateEncoder(const MszipOptions& options = {});

  void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) override;
  void finish(std::vector<CompressedBlock>& out) override;

 private:
  void emit_block(std::vector<CompressedBlock>& out);

  static constexpr uint32_t TRIAL_PERIOD = 8;

  int level_;
  DeflateMatcher matcher_;
  DeflateParse parse_;
  DeflateParse other_parse_;       // a trial's other parse
  std::vector<uint8_t> other_bytes_;
  bool three_byte_matches_ = true;
  uint32_t blocks_ = 0;
  std::vector<uint8_t> pending_;  // the block being gathered, under 32768 bytes between calls
};

}  // namespace cabwriter
