// Writes LZX blocks into frames: block headers, trees sent through the pretree as differences
// from the previous block's lengths, tokens, and uncompressed blocks with their repeated
// offsets and pad byte. A frame ends after every 32768 bytes of output.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "folder_encoder.h"
#include "installer/cabinet/lzx_format.h"
#include "lzx_bit_writer.h"
#include "lzx_matcher.h"

namespace cabwriter {

class LzxFrameSink {
 public:
  LzxFrameSink() : bits_(&bytes_) {}
  LzxFrameSink(const LzxFrameSink&) = delete;
  LzxFrameSink& operator=(const LzxFrameSink&) = delete;

  LzxBitWriter& bits() { return bits_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  // Counts n bytes of output; a full frame is closed, its bits padded to a word.
  void produced(uint32_t n);
  uint32_t room_in_frame() const { return lzx::FRAME_SIZE - in_frame_; }
  // Moves the frames closed so far to the end of `out`.
  void take_complete(std::vector<CompressedBlock>& out);
  // Closes the last frame if it holds anything and returns the frames not yet taken.
  std::vector<CompressedBlock> finish();
  uint32_t frames_closed() const { return frames_closed_; }

 private:
  void close_frame();

  std::vector<uint8_t> bytes_;
  LzxBitWriter bits_;
  uint32_t in_frame_ = 0;
  uint32_t frames_closed_ = 0;
  std::vector<CompressedBlock> frames_;
};

struct LzxTrees {
  std::vector<uint8_t> main_lengths, length_lengths, aligned_lengths;
  std::vector<uint32_t> main_codes, length_codes, aligned_codes;
};

class LzxBlockWriter {
 public:
  LzxBlockWriter(uint32_t main_symbols, uint32_t e8_translation_size);

  LzxTrees build_trees(const std::vector<LzxToken>& tokens) const;
  // Bits a compressed block would take (header, trees, tokens), and whether aligned is cheaper.
  uint64_t compressed_cost(const std::vector<LzxToken>& tokens, const LzxTrees& trees,
                           bool aligned) const;
  uint64_t uncompressed_cost(uint32_t size) const;

  void write_compressed(LzxFrameSink& sink, const std::vector<LzxToken>& tokens,
                        const LzxTrees& trees, bool aligned, uint32_t size);
  void write_uncompressed(LzxFrameSink& sink, std::span<const uint8_t> data, const LzxRepeats& reps);

 private:
  void write_header(LzxFrameSink& sink, uint32_t type, uint32_t size);
  uint32_t header_bits() const;

  uint32_t main_symbols_;
  uint32_t e8_size_;
  bool first_header_ = true;
  bool pending_pad_ = false;
  std::vector<uint8_t> previous_main_;
  std::vector<uint8_t> previous_length_;
};

}  // namespace cabwriter
