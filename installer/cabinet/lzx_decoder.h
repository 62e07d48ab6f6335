// LZX: one 32 KiB frame per call, with a sliding window of 2^15 to 2^21 bytes kept across calls.
#pragma once

#include "codec.h"

struct LzxDecoder;

struct LzxConfig {
  uint32_t window_size;  // 2^15 .. 2^21
};

// A frame that does not compress still carries its block header, the pre-trees and code
// lengths of a verbatim block or the header and alignment of an uncompressed one; 6 KiB over
// the frame's size is the allowance the format gives such a frame.
constexpr uint32_t LZX_INPUT_SLACK = 6144;

// *output_size (in) is the frame's exact uncompressed size (at most block_size; only a folder's
// last frame is shorter), (out) the bytes produced. The window (config->window_size bytes,
// allocated at create) keeps the history across calls, so output may be any buffer.

CodecStatus lzx_create(uint32_t* block_size, const LzxConfig* config, AllocFn alloc, FreeFn free,
                       uint32_t* input_capacity, LzxDecoder** handle);
CodecStatus lzx_decompress(LzxDecoder* handle, const uint8_t* input, uint32_t input_size,
                           uint8_t* output, uint32_t* output_size);
CodecStatus lzx_reset(LzxDecoder* handle);
CodecStatus lzx_destroy(LzxDecoder* handle);
