// Quantum compression of a folder's stream: LZ77 over a window of 2^10 to 2^21 bytes, its
// tokens coded by QuantumTokenEncoder, one coder per 32 KiB block with the models and the
// window carried from block to block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "folder_encoder.h"
#include "quantum_token_encoder.h"

namespace cabwriter {

struct QuantumOptions {
  uint32_t window_bits = 21;  // 10 .. 21, as in the folder's typeCompress
  uint32_t max_chain = 256;   // match candidates looked at per position
  uint32_t nice_length = 128;  // a match this long ends the search
};

// Throws std::invalid_argument for window bits outside 10 to 21. When `stats` is given it
// receives the token counts.
std::vector<CompressedBlock> encode_quantum(std::span<const uint8_t> stream,
                                            const QuantumOptions& options = {},
                                            QuantumStats* stats = nullptr);

}  // namespace cabwriter
