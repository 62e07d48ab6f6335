// MSZIP: each data block is "CK" and a deflate stream whose matches may reach into the
// previous block, which the decoder keeps in a window of its own.
#pragma once

#include "codec.h"

struct MszipDecoder;

// A block that does not compress is stored: "CK", the block's header bits rounded to a byte,
// the 4 bytes of its length and their complement, then the bytes as they are. 12 bytes covers
// that overhead with room for a final empty block.
constexpr uint32_t MSZIP_INPUT_SLACK = 12;

// *output_size (in) is the room in output (at most block_size is used), (out) the bytes the
// block produced. Only those bytes of output are written (on a failure, the ones produced
// before it); the caller may pass a different buffer on every call. The decoder allocates
// about 2 * block_size + 45 KiB at create.

CodecStatus mszip_create(uint32_t* block_size, AllocFn alloc, FreeFn free, uint32_t* input_capacity,
                         MszipDecoder** handle);
CodecStatus mszip_decompress(MszipDecoder* handle, const uint8_t* input, uint32_t input_size,
                             uint8_t* output, uint32_t* output_size);
CodecStatus mszip_reset(MszipDecoder* handle);
CodecStatus mszip_destroy(MszipDecoder* handle);
