#include "lzx_encoder.h"

#include "lzx_stream_encoder.h"

namespace cabwriter {

std::vector<CompressedBlock> encode_lzx(std::span<const uint8_t> stream, const LzxOptions& options,
                                        LzxStats* stats) {
  LzxStreamEncoder encoder(options, stats);
  std::vector<CompressedBlock> frames;
  encoder.feed(stream, frames);
  encoder.finish(frames);
  return frames;
}

}  // namespace cabwriter
