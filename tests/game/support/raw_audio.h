// What SDL's disk audio driver wrote (signed 16-bit samples), as loud as it got from byte
// `from` on.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kv::test {

inline int PeakOfRawAudio(const std::string& path, size_t from = 0) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int peak = 0;
  for (size_t i = from & ~size_t{1}; i + 1 < b.size(); i += 2) {
    int16_t s = static_cast<int16_t>(static_cast<uint8_t>(b[i]) | (static_cast<uint8_t>(b[i + 1]) << 8));
    peak = std::max(peak, std::abs(int(s)));
  }
  return peak;
}

}  // namespace kv::test
