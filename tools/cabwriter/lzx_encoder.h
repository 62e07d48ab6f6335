// LZX compression of a folder's stream into 32 KiB frames, one per data block.
//
// The encoder finds matches with hash chains, uses the three repeated offsets, builds its trees
// from symbol counts (lengths capped at 16) and can apply the call translation. Its block plan
// can be steered: block kinds and sizes are free of the frame grid, so blocks may span frames
// or share one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "folder_encoder.h"

namespace cabwriter {

enum class LzxBlockKind : uint8_t {
  Auto,  // the cheapest of verbatim, aligned and uncompressed
  Verbatim,
  Aligned,
  Uncompressed,
};

struct LzxBlockSpec {
  LzxBlockKind kind = LzxBlockKind::Auto;
  uint32_t size = 0;  // uncompressed bytes, 1 to 2^24 - 1
};

struct LzxOptions {
  uint32_t window_bits = 21;  // 15 to 21
  // Blocks in stream order, the list starting over until the stream ends. Empty: blocks of
  // `block_size` bytes of `block_kind`. A frame that ends up larger than a data block can hold
  // (tiny uncompressed blocks) makes encode_lzx throw std::runtime_error.
  std::vector<LzxBlockSpec> blocks;
  uint32_t block_size = 3 * 32768;
  LzxBlockKind block_kind = LzxBlockKind::Auto;
  // Call translation size written in the folder's header; 0 writes no translation.
  uint32_t e8_translation_size = 0;
  uint32_t max_chain = 48;    // hash-chain candidates tried per position
  uint32_t nice_length = 96;  // a match this long ends the search
};

struct LzxBlockInfo {
  uint32_t type = 0;  // 1 verbatim, 2 aligned, 3 uncompressed
  uint32_t size = 0;
  uint32_t start = 0;  // offset in the folder's stream
  uint8_t aligned_lengths[8] = {};
};

struct LzxStats {
  std::vector<LzxBlockInfo> blocks;
  uint32_t frames = 0;
};

// The options a folder of `window_bits` gets at `effort` (the defaults above at Normal).
// Throws std::invalid_argument for window bits outside 15 to 21.
LzxOptions lzx_options(uint32_t window_bits, Effort effort);

// The whole stream at once: LzxStreamEncoder (lzx_stream_encoder.h) fed in one piece. Throws
// std::invalid_argument for options out of range, std::runtime_error as that encoder does.
std::vector<CompressedBlock> encode_lzx(std::span<const uint8_t> stream,
                                        const LzxOptions& options = {}, LzxStats* stats = nullptr);

// The forward call translation of one frame (the decoder's inverse).
void lzx_e8_encode_frame(uint8_t* data, uint32_t length, uint32_t position,
                         uint32_t translation_size);

}  // namespace cabwriter
