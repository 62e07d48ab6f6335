// The interface every folder decoder implements: create (as a size query or for real),
// decompress one block per call, reset at a folder change, destroy.
#pragma once

#include <cstdint>

#include "cab_engine.h"

enum class CodecStatus : int32_t {
  Ok = 0,
  NoMemory = 1,
  BadHandle = 2,
  BadSize = 3,
  DataError = 4,
  BadWindow = 5,
};

// Compression methods: the low four bits of a folder's typeCompress.
constexpr uint16_t METHOD_NONE = 0;
constexpr uint16_t METHOD_MSZIP = 1;
constexpr uint16_t METHOD_QUANTUM = 2;
constexpr uint16_t METHOD_LZX = 3;
constexpr uint16_t METHOD_NO_DECODER = 0x000F;  // the engine's own mark for "no decoder"

constexpr uint16_t method_of(uint16_t type_compress) { return type_compress & 0x000F; }
constexpr uint16_t window_bits_of(uint16_t type_compress) { return (type_compress >> 8) & 0x1F; }

constexpr uint32_t CAB_BLOCK_SIZE = 32768;  // uncompressed size of every block but a folder's last
