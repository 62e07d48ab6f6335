// LZX: one 32 KiB frame per call, with a sliding window of 2^15 to 2^21 bytes kept across calls.
#pragma once

#include "codec.h"

struct LzxDecoder;

struct LzxConfig {
  uint32_t window_size;  // 2^15 .. 2^21
};

constexpr uint32_t LZX_INPUT_SLACK = 6144;

CodecStatus lzx_create(uint32_t* block_size, const LzxConfig* config, AllocFn alloc, FreeFn free,
                       uint32_t* input_capacity, LzxDecoder** handle);
CodecStatus lzx_decompress(LzxDecoder* handle, const uint8_t* input, uint32_t input_size,
                           uint8_t* output, uint32_t* output_size);
CodecStatus lzx_reset(LzxDecoder* handle);
CodecStatus lzx_destroy(LzxDecoder* handle);
