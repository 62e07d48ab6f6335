// Sends a run of code lengths the LZX way: a pretree of 20 symbols, then per position the
// difference from the previous length, with runs of zeros (17, 18) and of equal values (19).
#pragma once

#include <cstdint>

#include "lzx_bit_writer.h"

namespace cabwriter {

// Writes lengths [first, last) when `bits` is not null; returns the bits it takes either way.
uint64_t write_length_run(LzxBitWriter* bits, const uint8_t* lengths, const uint8_t* previous,
                          uint32_t first, uint32_t last);

}  // namespace cabwriter
