#pragma once
// The form on the headless platform in a program folder of its own, so that the INI file and
// the sound files can be laid out before the form loads.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/engine/frmMain.h"
#include "game/platform/file_store.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/headless_platform.h"

namespace kv::test {

class ShellTest : public ::testing::Test {
 protected:
  std::string IniPath() const { return dir.path() + "/Ruziz Kestrovan.ini"; }

  void Put(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(ReplaceFile(dir.path() + "/" + name, bytes));
  }
  void WriteIni(const std::string& bytes) { Put("Ruziz Kestrovan.ini", bytes); }
  std::string ReadIni() const {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(IniPath(), bytes, 1 << 20), ReadResult::Ok);
    return bytes;
  }

  // Creates the form in the folder and loads it (at virtual time 0, outside a run).
  frmMain& Load(bool waveDevice = true) {
    HeadlessOptions o;
    o.waveDevice = waveDevice;
    o.folder = dir.path();
    form.reset();  // its timers belong to the old platform's loop
    platform = std::make_unique<HeadlessPlatform>(o);
    form = std::make_unique<frmMain>(platform->ports());
    form->Form_Load();
    return *form;
  }

  void RunUntil(int64_t t) { platform->loop.RunUntil(t); }
  int64_t now() const { return platform->loop.Now(); }
  GameData& g() { return form->gd; }

  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (const SoundCall& c : platform->sound.calls()) out.push_back(c.what);
    return out;
  }
  int Count(const std::string& what) const {
    int n = 0;
    for (const SoundCall& c : platform->sound.calls()) n += c.what == what;
    return n;
  }
  bool AnyWave() const {
    for (const SoundCall& c : platform->sound.calls())
      if (c.what.size() > 4 && c.what.substr(c.what.size() - 4) == ".wav") return true;
    return false;
  }

  TempFolder dir;
  std::unique_ptr<HeadlessPlatform> platform;
  std::unique_ptr<frmMain> form;
};

}  // namespace kv::test
