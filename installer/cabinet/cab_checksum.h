// The cabinet format's own data-block checksum.
#pragma once

#include <cstdint>

// XORs the bytes, taken as little-endian 32-bit words, into the seed; the 1 to 3 trailing bytes
// form one more word with the first of them in the highest used byte.
uint32_t cab_checksum(const uint8_t* data, uint32_t size, uint32_t seed);
