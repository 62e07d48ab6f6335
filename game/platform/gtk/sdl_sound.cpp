#include "game/platform/gtk/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

namespace kv {

namespace {
constexpr int kEffectChannel = 0;
}

std::string FindSoundFont() {
  static const char* const kCandidates[] = {
      "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/soundfonts/default.sf2",
      "/usr/share/soundfonts/FluidR3_GM.sf2",
  };
  struct stat st;
  for (const char* path : kCandidates)
    if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) return path;
  return "";
}

SdlSound::SdlSound() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  Mix_AllocateChannels(1);
  // Effects are normalised near full scale and the synthesiser is loud: together at full
  // volume they would clip.
  Mix_Volume(kEffectChannel, MIX_MAX_VOLUME / 2);
  Mix_VolumeMusic(MIX_MAX_VOLUME / 4);
  Mix_Init(MIX_INIT_MID);
  std::string font = FindSoundFont();
  if (!font.empty()) Mix_SetSoundFonts(font.c_str());
  open_ = true;
}

SdlSound::~SdlSound() {
  if (!open_) return;
  if (warming_.joinable()) warming_.join();
  if (keeper_) Mix_FreeMusic(keeper_);
  MusicCloseAll();
  Mix_HaltChannel(-1);
  for (auto& [path, c] : chunks_) Mix_FreeChunk(c.chunk);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Decoded effects stay cached while the file is unchanged; the march plays every second.
Mix_Chunk* SdlSound::Load(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  auto it = chunks_.find(path);
  if (it != chunks_.end()) {
    if (it->second.mtime == st.st_mtime && it->second.size == st.st_size) return it->second.chunk;
    Mix_HaltChannel(kEffectChannel);
    Mix_FreeChunk(it->second.chunk);
    chunks_.erase(it);
  }
  Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
  if (chunk) chunks_[path] = {chunk, st.st_mtime, st.st_size};
  return chunk;
}

bool SdlSound::PlayWave(const std::string& path) {
  if (!open_) return false;
  // A new effect always ends the one still sounding, even when it cannot play itself.
  Mix_HaltChannel(kEffectChannel);
  Mix_Chunk* chunk = Load(path);
  if (!chunk || Mix_PlayChannel(kEffectChannel, chunk, 0) != kEffectChannel) return false;
  if (held_) Mix_Pause(kEffectChannel);
  return true;
}

void SdlSound::MusicOpen(const std::string& path) {
  if (!open_ || music_) return;  // like the sequencer: one open piece until it is closed
  std::lock_guard<std::mutex> lock(loading_);
  music_ = Mix_LoadMUS(path.c_str());
}

void SdlSound::MusicPlay() {
  if (!music_) return;
  Mix_PlayMusic(music_, 0);  // once, no repeat
  if (held_) Mix_PauseMusic();
}

void SdlSound::MusicCloseAll() {
  if (!music_) return;
  Mix_HaltMusic();
  Mix_FreeMusic(music_);
  music_ = nullptr;
}

// Paused sound keeps its place; a piece or effect started while held starts held too.
void SdlSound::Hold(bool held) {
  if (!open_) return;
  held_ = held;
  if (held) {
    Mix_Pause(-1);
    Mix_PauseMusic();
  } else {
    Mix_Resume(-1);
    Mix_ResumeMusic();
  }
}

void SdlSound::WarmMusic() {
  if (!open_ || warming_.joinable() || FindSoundFont().empty()) return;
  warming_ = std::thread([this] {
    // A format 0 file whose one track only ends: it loads the sound font and plays nothing.
    static const uint8_t kEmptyPiece[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                          'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00};
    std::lock_guard<std::mutex> lock(loading_);
    keeper_ = Mix_LoadMUSType_RW(SDL_RWFromConstMem(kEmptyPiece, sizeof kEmptyPiece), MUS_MID, 1);
  });
}

bool SdlSound::MusicPlaying() const { return open_ && Mix_PlayingMusic() != 0; }
bool SdlSound::EffectPlaying() const { return open_ && Mix_Playing(kEffectChannel) != 0; }

}  // namespace kv
