#pragma once
// Everything the form needs, headless: virtual clock and timers, recorded sounds, scripted
// dialogs, a seeded generator, the built-in font and a program folder.
#include <cstdint>
#include <string>

#include "game/platform/bitmap_font.h"
#include "game/platform/headless/headless_loop.h"
#include "game/platform/headless/recording_sound.h"
#include "game/platform/headless/scripted_dialogs.h"
#include "game/platform/headless/seeded_random.h"
#include "game/platform/ports.h"

namespace kv {

struct HeadlessOptions {
  uint64_t seed = 1;
  bool waveDevice = true;
  std::string folder = ".";
};

class HeadlessHost : public ProgramHost {
 public:
  HeadlessHost(HeadlessLoop& loop, std::string folder) : loop_(loop), folder_(std::move(folder)) {}
  std::string ProgramFolder() const override { return folder_; }
  void EndProgram() override { loop_.EndProgram(); }

 private:
  HeadlessLoop& loop_;
  std::string folder_;
};

class HeadlessPlatform {
 public:
  explicit HeadlessPlatform(const HeadlessOptions& options = {});
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  Ports ports() { return Ports{loop, loop, sound, dialogs, random, text, host}; }

  HeadlessLoop loop;
  RecordingSound sound;
  ScriptedDialogs dialogs;
  SeededRandom random;
  BitmapTextRenderer text;
  HeadlessHost host;
};

}  // namespace kv
