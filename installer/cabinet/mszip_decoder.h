// MSZIP: each data block is "CK" and a deflate stream whose matches may reach into the
// previous block, which the caller's output buffer still holds.
#pragma once

#include "codec.h"

struct MszipDecoder;

// A block that does not compress is stored: "CK", the block's header bits rounded to a byte,
// the 4 bytes of its length and their complement, then the bytes as they are. 12 bytes covers
// that overhead with room for a final empty block.
constexpr uint32_t MSZIP_INPUT_SLACK = 12;

// output must be the same buffer, at least block_size bytes, on every call of a folder: matches
// reach back into the previous block, which it still holds. *output_size (in) is the room
// (at most block_size is used), (out) the bytes the block produced.

CodecStatus mszip_create(uint32_t* block_size, AllocFn alloc, FreeFn free, uint32_t* input_capacity,
                         MszipDecoder** handle);
CodecStatus mszip_decompress(MszipDecoder* handle, const uint8_t* input, uint32_t input_size,
                             uint8_t* output, uint32_t* output_size);
CodecStatus mszip_reset(MszipDecoder* handle);
CodecStatus mszip_destroy(MszipDecoder* handle);
