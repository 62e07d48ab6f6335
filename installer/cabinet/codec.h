// The interface every folder decoder implements: create (as a size query or for real),
// decompress one block per call, reset at a folder change, destroy. Each decoder's header
// names its functions; they share this contract:
//
// create(block_size, [config,] alloc, free, input_capacity, handle)
//   block_size (in/out): the largest uncompressed block the caller will ask for; a decoder
//     lowers it to what it supports (MSZIP) or refuses it (NoMemory). input_capacity (out):
//     the largest compressed block it accepts, block_size plus the decoder's input slack (what
//     a block that does not compress may grow to). With handle null nothing is allocated: the call only answers the two sizes,
//     so the engine can size its buffers before it commits to a decoder. Otherwise *handle is
//     a new decoder whose memory all comes from alloc and goes back through free; every
//     failure to create is NoMemory and leaves nothing allocated.
// decompress(handle, input, input_size, output, output_size)
//   Decodes one data block. input_size at most input_capacity; *output_size (in) is the room
//   or the size wanted (see each header), (out) the bytes produced. Ok, or BadHandle (not a
//   live decoder), BadSize (sizes beyond the contract), DataError (the block is damaged).
//   Never reads or writes outside the buffers it was given, whatever the input holds.
// reset(handle): forgets the window and the adaptive state; the next block starts a folder.
// destroy(handle): frees everything create allocated.
//
// Apart from MSZIP's fixed code tables, built once at its first create, a decoder keeps all
// its state behind its handle, allocates nothing after create, and serves one thread at a time.
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
