// Quantum: an adaptive arithmetic coder over a sliding window of 2^10 to 2^21 bytes.
#pragma once

#include "codec.h"

struct QuantumDecoder;

struct QuantumConfig {
  uint32_t window_bits;  // 10 .. 21
  int32_t cpu_type;      // kept for the record; has no effect on decoding
};

constexpr uint32_t QUANTUM_INPUT_SLACK = 10240;

CodecStatus quantum_create(uint32_t* block_size, const QuantumConfig* config, AllocFn alloc,
                           FreeFn free, uint32_t* input_capacity, QuantumDecoder** handle);
CodecStatus quantum_decompress(QuantumDecoder* handle, const uint8_t* input, uint32_t input_size,
                               uint8_t* output, uint32_t* output_size);
CodecStatus quantum_reset(QuantumDecoder* handle);
CodecStatus quantum_destroy(QuantumDecoder* handle);
