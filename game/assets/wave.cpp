#include "game/assets/wave.h"

#include <algorithm>
#include <cmath>

namespace kv::assets {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void Tag(std::vector<uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<int16_t> Normalise(const std::vector<float>& samples) {
  float peak = 0;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  std::vector<int16_t> out(samples.size(), 0);
  if (peak <= 0) return out;
  const double scale = kPeak * 32767.0 / peak;
  for (size_t i = 0; i < samples.size(); ++i) out[i] = static_cast<int16_t>(std::lround(samples[i] * scale));
  return out;
}

std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int sampleRate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  Tag(out, "RIFF");
  Put32(out, 36 + dataBytes);
  Tag(out, "WAVE");
  Tag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<uint32_t>(sampleRate));
  Put32(out, static_cast<uint32_t>(sampleRate) * 2);  // bytes per second
  Put16(out, 2);                                      // block align
  Put16(out, 16);                                     // bits per sample
  Tag(out, "data");
  Put32(out, dataBytes);
  for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
  return out;
}

}  // namespace kv::assets
