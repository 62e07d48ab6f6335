// The real program on a virtual display: what its window shows is what the headless replay
// of its own event trace draws at the same moment, pixel for pixel.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "game/platform/gtk/pango_text.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/image_file.h"
#include "tests/game/e2e/game_process.h"
#include "tests/game/e2e/x_display.h"
#include "tools/kestrovan-sim/replay.h"

namespace kv::test {
namespace {

constexpr const char* kTitle = "Ruziz Kestrovan";
constexpr int kClientW = Surface::kWidth, kClientH = Surface::kHeight;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

PangoTextRenderer& Fonts() {
  static PangoTextRenderer fonts;
  return fonts;
}

std::string Caption(sim::Replay& r, const std::string& label) {
  for (const auto& [name, l] : r.form().Labels())
    if (name == label) return l->Caption();
  ADD_FAILURE() << "the form has no label " << label;
  return "";
}

class DesktopGame : public ::testing::Test {
 protected:
  explicit DesktopGame(const std::string& screen = "1024x768x24") : x(screen) {}

  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "no virtual display (Xvfb)";
    ASSERT_TRUE(game.Start(x.name()));
    window = x.WaitForWindow(kTitle, 60000);
    ASSERT_NE(window, 0ul) << "the window did not appear";
  }

  // Freezes the game, captures its window and replays the trace to the same moment.
  std::unique_ptr<sim::Replay> Moment(Capture& screen) {
    EXPECT_TRUE(game.Snapshot()) << "the game did not stop for the snapshot";
    screen = x.Grab(window);
    ++snapshots;
    auto replay = std::make_unique<sim::Replay>(Fonts(), replayFolder.path());
    std::string error;
    EXPECT_TRUE(replay->Run(game.Trace(), snapshots, error)) << error;
    return replay;
  }

  // The client area lies below the menu bar and shows the framebuffer, each pixel a square
  // of scale × scale; in fullscreen (left given) at (left, top) with black all around.
  void ExpectScreenIs(const Capture& screen, const Surface& expected, const char* what, int scale = 1,
                      int left = -1, int top = -1) {
    const bool windowed = left < 0;
    if (windowed) {
      ASSERT_EQ(screen.width, kClientW * scale) << what;
      left = 0;
      top = screen.height - kClientH * scale;
      ASSERT_GT(top, 10) << "no menu bar above the client area";
    }
    int differ = 0, firstX = -1, firstY = -1, border = 0;
    for (int y = 0; y < screen.height; ++y)
      for (int x0 = 0; x0 < screen.width; ++x0) {
        const int gx = (x0 - left) / scale, gy = (y - top) / scale;
        if (x0 < left || y < top || gx >= kClientW || gy >= kClientH) {
          border += !windowed && screen.at(x0, y) != kBlack;
          continue;
        }
        if (screen.at(x0, y) != expected.Get(gx, gy) && differ++ == 0) firstX = x0, firstY = y;
      }
    if (differ) {
      std::string error;
      WriteFile(std::string(::testing::TempDir()) + "/e2e_screen.png", EncodePng(screen.pixels, screen.width, screen.height),
                error);
      WriteScreenshot(expected, std::string(::testing::TempDir()) + "/e2e_replay.png", error);
    }
    EXPECT_EQ(differ, 0) << what << ": pixels differ from the replay, first at (" << firstX << ", " << firstY
                         << "); both pictures are in " << ::testing::TempDir();
    EXPECT_EQ(border, 0) << what << ": the border around the picture is not black";
  }

  // Keeps what the user saw, when KV_SCREENSHOT_DIR names a folder.
  static void Keep(const Capture& screen, const std::string& name) {
    const char* dir = std::getenv("KV_SCREENSHOT_DIR");
    if (!dir || !*dir) return;
    std::string error;
    EXPECT_TRUE(WriteFile(std::string(dir) + "/" + name + ".png", EncodePng(screen.pixels, screen.width, screen.height),
                          error))
        << error;
  }

  // The window takes its new size a moment after the key.
  bool WaitForSize(int width, int height = -1) {
    for (int i = 0; i < 200; ++i) {
      int w = 0, h = 0;
      if (x.Geometry(window, w, h) && w == width && (height < 0 || h == height)) return true;
      Pause(50);
    }
    return false;
  }

  bool Keys(std::vector<std::string> args) {
    args.insert(args.begin(), {"windowfocus", "--sync", std::to_string(window)});
    return Xdotool(x.name(), args);
  }

  // Sends keys until the game has taken them: on a loaded machine the first synthetic key can
  // reach the window before the focus does.
  bool Press(const std::vector<std::string>& keys, const std::string& traced) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!Keys(keys)) return false;
      if (TraceGets(traced)) return true;
    }
    return false;
  }

  // The game may be inside a blocking pause; give it time to take the input.
  bool TraceGets(const std::string& line) {
    for (int i = 0; i < 100; ++i) {
      if (game.Trace().find(line) != std::string::npos) return true;
      Pause(50);
    }
    return false;
  }

  void ExpectSettingsWritten() {
    std::string ini = ReadFileText(game.folder() + "/Ruziz Kestrovan.ini");
    EXPECT_NE(ini.find("[Settings]"), std::string::npos) << ini;
    for (const char* key : {"Level=", "Speed=", "Sound=", "Music="}) EXPECT_NE(ini.find(key), std::string::npos) << key;
  }

  XDisplay x;
  GameProcess game;
  TempFolder replayFolder;
  unsigned long window = 0;
  int snapshots = 0;
};

TEST_F(DesktopGame, ShowsTheTitleThenF5StartsAGameThatMovesAndScoresAndClosingSavesTheSettings) {
  int w = 0, h = 0;
  ASSERT_TRUE(x.Geometry(window, w, h));
  EXPECT_EQ(w, kClientW);

  Pause(1200);
  Capture title;
  auto atTitle = Moment(title);
  ExpectScreenIs(title, atTitle->form().surface, "title screen");
  EXPECT_EQ(atTitle->form().gd.GameMode, kModeTitle);
  EXPECT_EQ(Caption(*atTitle, "lblLives"), "0");
  EXPECT_EQ(Caption(*atTitle, "lblScore"), "0");
  game.Continue();

  ASSERT_TRUE(Press({"key", "F5"}, "keydown 116 0"));
  Pause(1500);
  Capture started;
  auto inGame = Moment(started);
  ExpectScreenIs(started, inGame->form().surface, "game begun");
  EXPECT_EQ(inGame->form().gd.GameMode, kModePlay);
  EXPECT_NE(Caption(*inGame, "lblLives"), "0");
  const float firstX = inGame->form().gd.InvX[1];
  game.Continue();

  // During play Alt with a letter fires and opens its menu too.
  ASSERT_TRUE(Press({"key", "alt+l"}, "keydown 76 4"));
  Pause(300);
  EXPECT_EQ(x.MappedPopups(), 1) << "the access key opened no menu during play";
  Keys({"key", "Escape"});
  Pause(200);
  EXPECT_EQ(x.MappedPopups(), 0);

  // Sweep the cannon across the field, firing, until something is hit.
  std::unique_ptr<sim::Replay> playing;
  Capture screen;
  for (int sweep = 0; sweep < 8; ++sweep) {
    const char* dir = sweep % 2 ? "Left" : "Right";
    // A slow machine can lose all three cannons before the first hit: then play again.
    if (playing && playing->form().gd.GameMode != kModePlay) {
      ASSERT_TRUE(Keys({"key", "F5"}));
    }
    ASSERT_TRUE(Keys({"keydown", dir}));
    for (int shot = 0; shot < 25; ++shot) {
      Keys({"key", "ctrl"});
      Pause(100);
    }
    Keys({"keyup", dir});
    playing = Moment(screen);
    ExpectScreenIs(screen, playing->form().surface, "game in progress");
    if (playing->form().gd.Score > 0) break;
    game.Continue();
  }
  EXPECT_GT(playing->form().gd.Score, 0);
  EXPECT_NE(playing->form().gd.InvX[1], firstX) << "the formation did not move";
  game.Continue();
  // The side panel shows the score at its next half-second tick.
  Pause(1200);
  auto later = Moment(screen);
  ExpectScreenIs(screen, later->form().surface, "side panel after scoring");
  EXPECT_NE(Caption(*later, "lblScore"), "0");
  game.Continue();

  x.Close(window);
  EXPECT_EQ(game.WaitExit(30000), 0);
  ExpectSettingsWritten();
}

TEST_F(DesktopGame, TheAboutBoxLeavesTheGameRunningAndExitByKeysSavesTheSettings) {
  Pause(500);
  ASSERT_TRUE(Press({"key", "alt+h"}, "keydown 72 4"));
  Pause(300);
  ASSERT_TRUE(Keys({"key", "a"}));
  Pause(800);
  std::vector<unsigned long> titled = x.MappedWindows(kTitle);
  ASSERT_EQ(titled.size(), 2u) << "the About box (captioned with the title) did not open";
  // Out of the way, so the whole game window can be seen behind it.
  x.Move(titled[0] == window ? titled[1] : titled[0], 800, 600);
  Pause(300);

  Capture behind;
  auto r = Moment(behind);
  ExpectScreenIs(behind, r->form().surface, "behind the About box");
  const std::string trace = game.Trace();
  const size_t open = trace.find("menu mnuAbout\ndialog-begin\n");
  ASSERT_NE(open, std::string::npos) << trace.substr(0, 2000);
  EXPECT_NE(trace.find("timer timMain", open), std::string::npos) << "no timer fired behind the box";
  game.Continue();

  ASSERT_TRUE(Xdotool(x.name(), {"key", "Return"}));
  Pause(500);
  ASSERT_TRUE(Keys({"key", "alt+f"}));
  Pause(300);
  ASSERT_TRUE(Keys({"key", "x"}));
  EXPECT_EQ(game.WaitExit(30000), 0);
  ExpectSettingsWritten();
}

TEST_F(DesktopGame, PlayPausesWhenAnotherProgramTakesTheFocusAndGoesOnOnlyOnTheKey) {
  ASSERT_TRUE(Press({"key", "F5"}, "keydown 116 0"));
  Pause(1500);
  x.FocusElsewhere();
  ASSERT_TRUE(TraceGets("\npause\n")) << "the game did not pause";
  Pause(1000);
  Capture screen;
  auto paused = Moment(screen);
  EXPECT_TRUE(paused->form().Paused());
  ExpectScreenIs(screen, paused->form().surface, "paused in the background");
  game.Continue();
  Pause(500);
  auto still = Moment(screen);
  const std::string trace = game.Trace();
  EXPECT_EQ(trace.substr(trace.size() - 22), "snapshot 1\nsnapshot 2\n") << "handlers ran while paused";
  game.Continue();

  ASSERT_TRUE(Press({"key", "p"}, "keydown 80 0"));
  Pause(500);
  auto going = Moment(screen);
  EXPECT_FALSE(going->form().Paused());
  ExpectScreenIs(screen, going->form().surface, "going on");
  game.Continue();
}

TEST_F(DesktopGame, TheEndOfTheSessionUnloadsTheForm) {
  Pause(500);
  game.Signal(SIGTERM);
  EXPECT_EQ(game.WaitExit(30000), 0);
  ExpectSettingsWritten();
}

TEST_F(DesktopGame, TheLossOfTheDisplayUnloadsTheForm) {
  Pause(500);
  x.KillServer();
  EXPECT_EQ(game.WaitExit(30000), 0);
  ExpectSettingsWritten();
}

// A screen of 1920 × 1080: the window starts at twice the size, and goes fullscreen.
class WideScreenGame : public DesktopGame {
 protected:
  WideScreenGame() : DesktopGame("1920x1080x24") {}
};

TEST_F(WideScreenGame, TheWindowScalesCrisplyGoesFullscreenLetterboxedAndComesBackWithItsMenus) {
  int w = 0, h = 0;
  ASSERT_TRUE(x.Geometry(window, w, h));
  EXPECT_EQ(w, 2 * kClientW) << "the largest scale that fits 1920 × 1080 is 2";
  Pause(1200);
  Capture screen;
  auto twice = Moment(screen);
  ExpectScreenIs(screen, twice->form().surface, "title at 2x", 2);
  Keep(screen, "window-2x");
  game.Continue();

  ASSERT_TRUE(Keys({"key", "ctrl+0"}));
  ASSERT_TRUE(WaitForSize(kClientW));
  auto once = Moment(screen);
  ExpectScreenIs(screen, once->form().surface, "title at 1x");
  Keep(screen, "window-1x");
  game.Continue();
  ASSERT_TRUE(Keys({"key", "ctrl+equal"}));
  ASSERT_TRUE(WaitForSize(2 * kClientW));

  ASSERT_TRUE(Press({"key", "F5"}, "keydown 116 0"));
  Pause(1500);
  ASSERT_TRUE(Keys({"key", "F11"}));
  ASSERT_TRUE(WaitForSize(1920, 1080));
  Pause(500);
  auto full = Moment(screen);
  ExpectScreenIs(screen, full->form().surface, "fullscreen", 2, (1920 - 2 * kClientW) / 2, (1080 - 2 * kClientH) / 2);
  Keep(screen, "fullscreen");
  game.Continue();

  ASSERT_TRUE(Press({"key", "p"}, "keydown 80 0"));
  Pause(500);
  auto paused = Moment(screen);
  EXPECT_TRUE(paused->form().Paused());
  ExpectScreenIs(screen, paused->form().surface, "paused", 2, (1920 - 2 * kClientW) / 2, (1080 - 2 * kClientH) / 2);
  Keep(screen, "fullscreen-paused");
  game.Continue();

  ASSERT_TRUE(Keys({"key", "F11"}));
  ASSERT_TRUE(WaitForSize(2 * kClientW));
  Pause(500);
  auto back = Moment(screen);
  ExpectScreenIs(screen, back->form().surface, "windowed again", 2);
  Keep(screen, "windowed-again");
  game.Continue();

  x.Close(window);
  EXPECT_EQ(game.WaitExit(30000), 0);
  const std::string ini = ReadFileText(game.folder() + "/Ruziz Kestrovan.ini");
  EXPECT_NE(ini.find("[Display]\r\nScale=2\r\nFullscreen=False\r\n"), std::string::npos) << ini;
  ExpectSettingsWritten();
}

}  // namespace
}  // namespace kv::test
