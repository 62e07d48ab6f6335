// MSZIP: each data block is "CK" and a deflate stream whose matches may reach into the
// previous block, which the caller's output buffer still holds.
#pragma once

#include "codec.h"

struct MszipDecoder;

constexpr uint32_t MSZIP_INPUT_SLACK = 12;

CodecStatus mszip_create(uint32_t* block_size, AllocFn alloc, FreeFn free, uint32_t* input_capacity,
                         MszipDecoder** handle);
CodecStatus mszip_decompress(MszipDecoder* handle, const uint8_t* input, uint32_t input_size,
                             uint8_t* output, uint32_t* output_size);
CodecStatus mszip_reset(MszipDecoder* handle);
CodecStatus mszip_destroy(MszipDecoder* handle);
