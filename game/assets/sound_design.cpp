#include "game/assets/sound_design.h"

#include <cmath>
#include <cstdint>
#include <functional>

#include "game/assets/wave.h"

namespace kv::assets {

namespace {

constexpr double kTwoPi = 6.283185307179586;

using Buffer = std::vector<float>;

size_t Samples(double seconds) { return static_cast<size_t>(seconds * kSampleRate); }

// A fixed-seed generator: the same files on every build.
class Noise {
 public:
  float Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<float>(static_cast<int32_t>(state_ >> 32)) / 2147483648.0f;
  }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

// Oscillator whose frequency follows freq(t); a soft square keeps the arcade colour without
// the harsh aliasing of a hard one.
Buffer Tone(double seconds, const std::function<double(double)>& freq, const std::function<double(double)>& env,
            double squareness) {
  Buffer out(Samples(seconds));
  double phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    phase += kTwoPi * freq(t) / kSampleRate;
    double s = std::sin(phase);
    s = std::tanh(s * squareness) / std::tanh(squareness);
    out[i] = static_cast<float>(s * env(t));
  }
  return out;
}

// White noise through a one-pole low-pass whose cut-off falls over time, under an envelope.
Buffer ShapedNoise(double seconds, double cutoffStart, double cutoffEnd, double decay) {
  Buffer out(Samples(seconds));
  Noise noise;
  double y = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double cutoff = cutoffStart * std::pow(cutoffEnd / cutoffStart, t / seconds);
    double a = 1 - std::exp(-kTwoPi * cutoff / kSampleRate);
    y += a * (noise.Next() - y);
    double attack = std::min(1.0, t / 0.004);
    out[i] = static_cast<float>(y * attack * std::exp(-t * decay));
  }
  return out;
}

// A short fade at both ends so no file starts or stops with a click.
void Fade(Buffer& b, double seconds = 0.005) {
  size_t n = std::min(Samples(seconds), b.size() / 2);
  for (size_t i = 0; i < n; ++i) {
    float g = static_cast<float>(i) / static_cast<float>(n);
    b[i] *= g;
    b[b.size() - 1 - i] *= g;
  }
}

Buffer MarchNote(double hz) {
  return Tone(0.11, [hz](double) { return hz; }, [](double t) { return std::exp(-t * 18); }, 3.0);
}

Buffer Laser() {
  return Tone(0.16, [](double t) { return 1900 * std::exp(-t * 12) + 250; },
              [](double t) { return std::exp(-t * 10); }, 2.0);
}

Buffer Warble() {
  // Long enough for one crossing of the playfield at the normal speed.
  const double seconds = 8.0;
  return Tone(seconds, [](double t) { return 620 + 180 * std::sin(kTwoPi * 7.5 * t); },
              [seconds](double t) { return t > seconds - 0.3 ? (seconds - t) / 0.3 : 1.0; }, 1.5);
}

Buffer StartJingle() {
  static constexpr double kNotes[] = {523.25, 659.25, 783.99, 1046.5};
  const double step = 0.11;
  Buffer out;
  for (size_t n = 0; n < 4; ++n) {
    double last = n == 3 ? 0.32 : step;
    Buffer note = Tone(last, [hz = kNotes[n]](double) { return hz; },
                       [last](double t) { return std::exp(-t * 6) * std::min(1.0, (last - t) / 0.01); }, 1.8);
    out.insert(out.end(), note.begin(), note.end());
  }
  return out;
}

Buffer HitChirp() {
  // Three quick rising sweeps.
  const double sweep = 0.09;
  return Tone(sweep * 3, [sweep](double t) { return 1200 + 3200 * std::fmod(t, sweep) / sweep; },
              [](double t) { return std::exp(-t * 5); }, 1.2);
}

SoundAsset Make(const char* name, Buffer b) {
  Fade(b);
  return {name, EncodeWav(Normalise(b))};
}

}  // namespace

std::vector<SoundAsset> GenerateSounds() {
  std::vector<SoundAsset> sounds;
  sounds.push_back(Make("fire.wav", Laser()));
  sounds.push_back(Make("hit.wav", ShapedNoise(0.9, 3000, 200, 4.5)));
  // The four march notes fall in pitch, as the formation's steps.
  sounds.push_back(Make("Inv1.wav", MarchNote(110.0)));
  sounds.push_back(Make("Inv2.wav", MarchNote(98.0)));
  sounds.push_back(Make("Inv3.wav", MarchNote(87.3)));
  sounds.push_back(Make("Inv4.wav", MarchNote(82.4)));
  sounds.push_back(Make("InvHit.wav", ShapedNoise(0.3, 6000, 900, 12)));
  sounds.push_back(Make("Start.wav", StartJingle()));
  sounds.push_back(Make("ufo.wav", Warble()));
  sounds.push_back(Make("UfoHit.wav", HitChirp()));
  return sounds;
}

}  // namespace kv::assets
