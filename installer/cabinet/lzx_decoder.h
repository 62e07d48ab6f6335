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

// Two builds of the same steps give the same bytes and statuses for every input: the portable
// one runs on any processor; the wide one needs 256-bit integer vectors and is what create
// picks where the processor has them. Tests select each in turn to compare them. BadHandle,
// or BadSize when the processor cannot run the loop asked for.
enum class LzxLoop { Portable, Wide };
CodecStatus lzx_select_loop(LzxDecoder* handle, LzxLoop loop);
