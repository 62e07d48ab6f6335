// A folder's compression fed in pieces, so that a packager can hold a bounded amount of the
// stream whatever its length. Blocks leave the encoder as soon as they are complete; every
// block but the last holds exactly 32768 bytes of output, as with FolderEncoder.
//
// Contract, for every implementation:
// - feed() takes the next bytes of the stream (any length, 0 included) and appends to `out`
//   every block that is complete. The encoder copies what it keeps; `piece` need not outlive
//   the call. How a stream is cut into pieces never changes the validity of the output; an
//   encoder whose output also does not depend on the cut says so in its header.
// - finish() appends the remaining blocks; feed() and finish() are not called after it.
// - Memory held is bounded by the method's window and block sizes, not by the stream's length
//   (the whole-stream adapter below is the exception, and says so).
// - Errors are thrown as std::runtime_error (std::invalid_argument for bad options, at
//   construction).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "folder_encoder.h"

namespace cabwriter {

class StreamEncoder {
 public:
  virtual ~StreamEncoder() = default;
  virtual void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) = 0;
  virtual void finish(std::vector<CompressedBlock>& out) = 0;
};

// The streaming encoder for a folder's typeCompress (method in the low four bits, window bits
// in bits 8 to 12). Throws std::invalid_argument for a method this library cannot write.
std::unique_ptr<StreamEncoder> make_stream_encoder(uint16_t type_compress,
                                                   Effort effort = Effort::Normal);

// Gathers the whole stream and hands it to a FolderEncoder at finish(): for encoders that
// cannot yet work in pieces. Holds the whole stream.
std::unique_ptr<StreamEncoder> whole_stream_adapter(FolderEncoder encoder);

// For methods that encode each 32 KiB block on its own (given what came before it): gathers the
// stream into blocks and hands each to encode_block() once it is complete, the last one at
// finish(). Holds at most one block of input; the output does not depend on the cut.
class BlockwiseEncoder : public StreamEncoder {
 public:
  void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) final;
  void finish(std::vector<CompressedBlock>& out) final;

 protected:
  // `data` holds 1 to 32768 bytes, 32768 for every block but the last.
  virtual CompressedBlock encode_block(std::span<const uint8_t> data) = 0;

 private:
  std::vector<uint8_t> pending_;
};

// Stored blocks: the bytes as they are. Output independent of the cut.
std::unique_ptr<StreamEncoder> stored_stream_encoder();

// Feeds `stream` whole and finishes: what a whole-stream encoder returns.
std::vector<CompressedBlock> encode_in_one_piece(StreamEncoder& encoder, std::span<const uint8_t> stream);

}  // namespace cabwriter
