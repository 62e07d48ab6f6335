// Writes one MSZIP block: "CK" and a deflate stream of one stored block or of one or two
// coded blocks (dynamic or fixed each, the last marked final), whichever is the smallest for
// the block's symbols.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "deflate_matcher.h"

namespace cabwriter {

enum class DeflateBlockType : uint8_t { Stored = 0, Fixed = 1, Dynamic = 2 };

// Appends the block for `parse`, the symbols of `bytes` (at most 65535 bytes), to `out` and
// returns the type it chose (of the first coded block when there are two). The result never exceeds bytes.size() + 7 bytes: a stored block
// (the header's 3 bits padded to a byte, the length and its complement) after "CK".
DeflateBlockType write_mszip_block(const DeflateParse& parse, std::span<const uint8_t> bytes,
                                   std::vector<uint8_t>& out);

// Appends "CK" and `bytes` (at most 65535) as one final stored block.
void write_stored_mszip_block(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);

}  // namespace cabwriter
