#include "game/platform/headless/recording_sound.h"

#include "game/platform/file_store.h"

namespace kv {

namespace {

// Recorded without the folder, so that runs in different folders compare equal.
std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// Every call is recorded; as with a real player, a missing file is not accepted.
bool RecordingSound::PlayWave(const std::string& path) {
  Record(BaseName(path));
  return waveDevice_ && FileExists(path);
}

void RecordingSound::MusicOpen(const std::string& path) { Record("open " + BaseName(path)); }

void RecordingSound::MusicPlay() { Record("play music"); }

void RecordingSound::MusicCloseAll() { Record("close all"); }

void RecordingSound::Hold(bool held) { Record(held ? "hold" : "release"); }

}  // namespace kv
