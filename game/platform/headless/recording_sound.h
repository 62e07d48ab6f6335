#pragma once
// Sound port that records every call with its virtual time instead of playing it.
#include <cstdint>
#include <string>
#include <vector>

#include "game/platform/headless/headless_loop.h"
#include "game/platform/ports.h"

namespace kv {

struct SoundCall {
  int64_t time;
  std::string what;  // a wave file's name, or a music command
};

class RecordingSound : public SoundPort {
 public:
  RecordingSound(const HeadlessLoop& loop, bool waveDevice) : loop_(loop), waveDevice_(waveDevice) {}

  bool HasWaveDevice() const override { return waveDevice_; }
  bool PlayWave(const std::string& path) override;
  void MusicOpen(const std::string& path) override;
  void MusicPlay() override;
  void MusicCloseAll() override;
  void Hold(bool held) override;  // recorded as "hold" and "release"

  const std::vector<SoundCall>& calls() const { return calls_; }
  void clear() { calls_.clear(); }

 private:
  void Record(std::string what) { calls_.push_back({loop_.Now(), std::move(what)}); }

  const HeadlessLoop& loop_;
  bool waveDevice_;
  std::vector<SoundCall> calls_;
};

}  // namespace kv
