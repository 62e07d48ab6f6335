// Quantum: an adaptive arithmetic coder over a sliding window of 2^10 to 2^21 bytes.
#pragma once

#include "codec.h"

struct QuantumDecoder;

struct QuantumConfig {
  uint32_t window_bits;  // 10 .. 21
  int32_t cpu_type;      // kept for the record; has no effect on decoding
};

// The arithmetic coder can spend more than 8 bits on a byte the models did not expect; 10 KiB
// over the block's size bounds what a 32 KiB block of such bytes may take.
constexpr uint32_t QUANTUM_INPUT_SLACK = 10240;

// *output_size (in) is the block's exact uncompressed size, (out) the bytes produced; the
// window (2^window_bits bytes, allocated at create) keeps the history across calls.

CodecStatus quantum_create(uint32_t* block_size, const QuantumConfig* config, AllocFn alloc,
                           FreeFn free, uint32_t* input_capacity, QuantumDecoder** handle);
CodecStatus quantum_decompress(QuantumDecoder* handle, const uint8_t* input, uint32_t input_size,
                               uint8_t* output, uint32_t* output_size);
CodecStatus quantum_reset(QuantumDecoder* handle);
CodecStatus quantum_destroy(QuantumDecoder* handle);

// Two builds of the same decoding loop give the same bytes and statuses for every input: the
// portable one runs on any processor; the wide one needs 256-bit integer vectors and is what
// create picks where the processor has them. Tests select each in turn to compare them.
// BadHandle, or BadSize when the processor cannot run the loop asked for.
enum class QuantumLoop { Portable, Wide };
CodecStatus quantum_select_loop(QuantumDecoder* handle, QuantumLoop loop);
