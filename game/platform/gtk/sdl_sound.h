#pragma once
// Sound effects and music on SDL2_mixer: one effect channel, a new effect cutting the old,
// and one MIDI piece played once through a General MIDI sound font. Every failure is silent:
// without an audio output nothing plays and nothing is reported.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "game/platform/ports.h"

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace kv {

class SdlSound : public SoundPort {
 public:
  SdlSound();  // opens the audio output, if there is one
  ~SdlSound() override;
  SdlSound(const SdlSound&) = delete;
  SdlSound& operator=(const SdlSound&) = delete;

  bool HasWaveDevice() const override { return open_; }
  bool PlayWave(const std::string& path) override;
  void MusicOpen(const std::string& path) override;
  void MusicPlay() override;
  void MusicCloseAll() override;
  void Hold(bool held) override;

  // Loading the sound font takes about a second; a piece kept loaded in the background keeps
  // its samples cached, so that opening the music later costs a fraction of that.
  void WarmMusic();

  bool MusicPlaying() const;
  bool EffectPlaying() const;

 private:
  struct Cached {
    Mix_Chunk* chunk;
    int64_t mtime;
    int64_t size;
  };
  Mix_Chunk* Load(const std::string& path);

  bool open_ = false;
  bool held_ = false;
  std::map<std::string, Cached> chunks_;
  Mix_Music* music_ = nullptr;
  std::mutex loading_;  // the mixer loads one piece at a time
  std::thread warming_;
  Mix_Music* keeper_ = nullptr;  // written by the warming thread, read after joining it
};

// The General MIDI sound font the music uses, or empty when none is installed.
std::string FindSoundFont();

}  // namespace kv
