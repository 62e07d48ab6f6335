// Feeds arbitrary bytes to the engine as a one-cabinet set through in-memory callbacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

int fuzz_one_cabinet(const uint8_t* data, size_t size);

// Cabinets of every method the writer knows, as starting points for fuzzing.
std::vector<std::vector<uint8_t>> fuzz_seed_cabinets();
