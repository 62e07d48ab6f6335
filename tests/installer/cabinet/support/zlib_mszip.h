// MSZIP blocks made by zlib, each block primed with the previous one as a preset dictionary:
// the baseline the cabinet writer's own encoder is measured against in tests and benchmarks,
// and the block maker of the decoder benchmarks.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "folder_encoder.h"

namespace cabtest {

// level is zlib's, 0..9. A block zlib cannot shrink is stored. Throws std::runtime_error when
// zlib fails.
std::vector<cabwriter::CompressedBlock> zlib_mszip(std::span<const uint8_t> stream, int level);

}  // namespace cabtest
