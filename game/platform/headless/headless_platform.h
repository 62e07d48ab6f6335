#pragma once
// Everything the form needs, headless: virtual clock and timers, recorded sounds, scripted
// dialogs, a seeded generator, the built-in font and a program folder.
#include <cstdint>
#include <string>
#include <vector>

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
  std::string configFolder;  // empty: the INI file never leaves the program folder
};

// Problems are written to standard error, as the desktop does, and kept for tests.
class HeadlessHost : public ProgramHost {
 public:
  HeadlessHost(HeadlessLoop& loop, std::string folder, std::string configFolder = {})
      : loop_(loop), folder_(std::move(folder)), configFolder_(std::move(configFolder)) {}
  std::string ProgramFolder() const override { return folder_; }
  std::string ConfigFolder() const override { return configFolder_; }
  void ReportProblem(const std::string& text) override;
  void EndProgram() override { loop_.EndProgram(); }

  std::vector<std::string> problems;

 private:
  HeadlessLoop& loop_;
  std::string folder_;
  std::string configFolder_;
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
