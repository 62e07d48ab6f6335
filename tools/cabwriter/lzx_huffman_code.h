// Huffman code lengths from symbol counts, limited in length, and their canonical codes.
#pragma once

#include <cstdint>
#include <vector>

namespace cabwriter {

// Lengths for a complete code over the symbols with a nonzero count, none above max_length.
// One used symbol gets a partner of length 1; none gives all zeros.
std::vector<uint8_t> huffman_lengths(const std::vector<uint32_t>& counts, uint32_t max_length);

// Canonical codes: shorter codes first, equal lengths in symbol order.
std::vector<uint32_t> canonical_codes(const std::vector<uint8_t>& lengths);

}  // namespace cabwriter
