#pragma once
// A loaded form on the headless platform, and helpers that put the engine into a chosen state.
#include <gtest/gtest.h>

#include "game/engine/frmMain.h"
#include "game/platform/headless/headless_platform.h"

namespace kv::test {

class GameTest : public ::testing::Test {
 protected:
  explicit GameTest(bool waveDevice = true) : platform(Options(waveDevice)), f(platform.ports()) { f.Form_Load(); }

  static HeadlessOptions Options(bool waveDevice) {
    HeadlessOptions o;
    o.waveDevice = waveDevice;
    o.folder = "/nonexistent-program-folder";
    return o;
  }

  GameData& g() { return f.gd; }
  int64_t now() const { return platform.loop.Now(); }

  // A game in progress at round 1, the formation's images at their grid places.
  void StartGame() {
    f.mnuStart_Click();
    PlaceImages();
    platform.sound.clear();
  }

  // What the end of a formation move does: the images show the computed positions.
  void PlaceImages() {
    for (int n = 1; n <= g().InvCount; ++n) f.imgInv[n - 1].Move(g().InvX[n], g().InvY[n]);
  }

  // Leaves only the listed invaders alive (and shown).
  void KeepOnly(std::initializer_list<int> alive) {
    for (int n = 1; n <= g().InvCount; ++n) {
      bool keep = std::find(alive.begin(), alive.end(), n) != alive.end();
      g().InvDead[n] = !keep;
      f.imgInv[n - 1].SetVisible(keep);
    }
  }

  std::vector<std::string> Sounds() const {
    std::vector<std::string> out;
    for (const SoundCall& c : platform.sound.calls()) out.push_back(c.what);
    return out;
  }

  HeadlessPlatform platform;
  frmMain f;
};

}  // namespace kv::test
