#pragma once
// 16-bit PCM mono wave files, built from floating-point sample buffers.
#include <cstdint>
#include <vector>

namespace kv::assets {

constexpr int kSampleRate = 22050;
constexpr double kPeak = 0.9;  // normalised peak, well inside full scale

// Scales the buffer so its largest magnitude becomes kPeak and converts it to 16 bits.
// A silent buffer stays silent.
std::vector<int16_t> Normalise(const std::vector<float>& samples);

// A complete RIFF/WAVE file: one "fmt " chunk (PCM, mono, 16 bits) and one "data" chunk.
std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, int sampleRate = kSampleRate);

}  // namespace kv::assets
