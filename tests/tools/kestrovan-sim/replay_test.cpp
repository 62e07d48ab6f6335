#include "tools/kestrovan-sim/replay.h"

#include <gtest/gtest.h>

#include "game/engine/state_dump.h"
#include "game/platform/bitmap_font.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/headless_platform.h"

namespace kv::sim {
namespace {

class ReplayTest : public ::testing::Test {
 protected:
  // The same handlers run directly on a form of the headless platform.
  std::vector<std::string> Direct(const std::function<void(frmMain&)>& handlers) {
    HeadlessOptions o;
    o.waveDevice = false;
    o.folder = directFolder.path();
    HeadlessPlatform p(o);
    frmMain f(p.ports());
    f.Form_Load();
    handlers(f);
    return DumpState(f);
  }

  std::vector<std::string> Replayed(const std::string& trace, int snapshot = 0) {
    Replay r(font, replayFolder.path());
    std::string error;
    EXPECT_TRUE(r.Run(trace, snapshot, error)) << error;
    return DumpState(r.form());
  }

  std::string Error(const std::string& trace, int snapshot = 0) {
    Replay r(font, replayFolder.path());
    std::string error;
    EXPECT_FALSE(r.Run(trace, snapshot, error));
    return error;
  }

  BitmapTextRenderer font;
  TempFolder directFolder, replayFolder;
};

TEST_F(ReplayTest, TimersKeysAndMenusRunInTheTracedOrder) {
  std::string trace;
  for (int i = 0; i < 30; ++i) trace += "timer timMain\n";
  trace += "timer timInvader\ntimer timSub\nkeydown 116 0\n";
  for (int i = 0; i < 40; ++i) trace += "timer timMain\ntimer timDemo\n";
  trace += "keydown 39 0\ntimer timMain\ntimer timMain\nkeyup 39 0\nkeydown 17 2\ntimer timMain\nmenu mnuSound\ndblclick\n";
  auto direct = Direct([](frmMain& f) {
    for (int i = 0; i < 30; ++i) f.timMain.Fire();
    f.timInvader.Fire();
    f.timSub.Fire();
    f.KeyDown(116, 0);
    for (int i = 0; i < 40; ++i) {
      f.timMain.Fire();
      f.timDemo.Fire();
    }
    f.KeyDown(39, 0);
    f.timMain.Fire();
    f.timMain.Fire();
    f.Form_KeyUp(39, 0);
    f.KeyDown(17, 2);
    f.timMain.Fire();
    f.mnuSound.Click();
    f.Form_DblClick();
  });
  EXPECT_EQ(Replayed(trace), direct);
}

TEST_F(ReplayTest, HandlersTracedInsideABoxRunWhileItIsOpen) {
  const std::string trace =
      "menu mnuAbout\ndialog-begin\ntimer timMain\ntimer timMain\ndialog-end\ntimer timSub\n";
  auto direct = Direct([](frmMain& f) {
    f.timMain.Fire();
    f.timMain.Fire();
    f.timSub.Fire();
  });
  EXPECT_EQ(Replayed(trace), direct);
}

TEST_F(ReplayTest, ASnapshotEndsTheReplayEvenInsideABox) {
  auto one = Direct([](frmMain& f) { f.timMain.Fire(); });
  EXPECT_EQ(Replayed("timer timMain\nsnapshot 1\ntimer timMain\nsnapshot 2\n", 1), one);
  EXPECT_EQ(Replayed("menu mnuAbout\ndialog-begin\ntimer timMain\nsnapshot 1\ntimer timMain\n", 1), one);
  EXPECT_EQ(Replayed("menu mnuAbout\ndialog-begin\ntimer timMain\n"), one) << "the trace ends inside the box";
}

TEST_F(ReplayTest, MalformedTracesAreRefusedWithTheirLine) {
  EXPECT_EQ(Error("timer timMain\ntimer timFoo\n"), "line 2: no timer named 'timFoo'");
  EXPECT_EQ(Error("keydown left 0\n"), "line 1: bad key 'left 0'");
  EXPECT_EQ(Error("menu mnuNone\n"), "line 1: no menu item named 'mnuNone'");
  EXPECT_EQ(Error("jump\n"), "line 1: unexpected 'jump'");
  EXPECT_EQ(Error("menu mnuAbout\ntimer timMain\n"), "line 1: a box opened here, but the trace has no dialog-begin");
  EXPECT_EQ(Error("menu mnuAbout\ndialog-begin\ntimer x\ndialog-end\n"), "line 3: no timer named 'x'");
  EXPECT_EQ(Error("timer timMain\nsnapshot 1\n", 2), "the trace has no snapshot 2");
}

}  // namespace
}  // namespace kv::sim
