// Chooses a decoder by a folder's typeCompress and drives it through the common interface.
// Method 0 (stored) has no decoder: its create succeeds with a null handle.
#pragma once

#include "codec.h"

CodecStatus decoder_query(uint16_t type_compress, uint32_t* block_size, uint32_t* input_capacity);
CodecStatus decoder_create(uint16_t type_compress, int cpu_type, AllocFn alloc, FreeFn free,
                           uint32_t* block_size, uint32_t* input_capacity, void** handle);
CodecStatus decoder_decompress(uint16_t type_compress, void* handle, const uint8_t* input,
                               uint32_t input_size, uint8_t* output, uint32_t* output_size);
CodecStatus decoder_reset(uint16_t type_compress, void* handle);
CodecStatus decoder_destroy(uint16_t type_compress, void* handle);
