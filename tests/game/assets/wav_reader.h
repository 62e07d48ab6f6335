#pragma once
// Reads a RIFF/WAVE file strictly enough to catch a malformed header or chunk.
#include <cstdint>
#include <string>
#include <vector>

namespace kv::test {

struct WavInfo {
  uint16_t format = 0, channels = 0, bits = 0;
  uint32_t rate = 0, byteRate = 0;
  uint16_t blockAlign = 0;
  std::vector<int16_t> samples;
};

inline uint32_t Le(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// Returns an empty string when the file is well formed, else the reason.
inline std::string ParseWav(const std::vector<uint8_t>& b, WavInfo& w) {
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
    return "no RIFF/WAVE header";
  if (Le(b, 4, 4) != b.size() - 8) return "RIFF size does not match the file";
  bool fmt = false, data = false;
  for (size_t at = 12; at < b.size();) {
    if (at + 8 > b.size()) return "truncated chunk header";
    std::string id(b.begin() + at, b.begin() + at + 4);
    uint32_t size = Le(b, at + 4, 4);
    if (at + 8 + size > b.size()) return "chunk " + id + " runs past the end";
    if (id == "fmt ") {
      if (size < 16) return "short fmt chunk";
      w.format = Le(b, at + 8, 2);
      w.channels = Le(b, at + 10, 2);
      w.rate = Le(b, at + 12, 4);
      w.byteRate = Le(b, at + 16, 4);
      w.blockAlign = Le(b, at + 20, 2);
      w.bits = Le(b, at + 22, 2);
      fmt = true;
    } else if (id == "data") {
      if (!fmt) return "data before fmt";
      if (size % 2) return "odd data size";
      for (size_t i = 0; i < size; i += 2) w.samples.push_back(static_cast<int16_t>(Le(b, at + 8 + i, 2)));
      data = true;
    }
    at += 8 + size + (size & 1);
  }
  if (!fmt || !data) return "missing fmt or data chunk";
  return "";
}

}  // namespace kv::test
