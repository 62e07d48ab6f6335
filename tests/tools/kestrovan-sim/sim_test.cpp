// kestrovan-sim: scripts, determinism and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "game/platform/headless/files.h"
#include "game/platform/headless/image_file.h"
#include "tools/kestrovan-sim/sim_run.h"

namespace kv::sim {
namespace {

struct Result {
  int status;
  std::string out, err;
};

Result RunScript(const std::string& script, int64_t ms, uint64_t seed = 1, bool sounds = true) {
  Options o;
  std::string error;
  EXPECT_TRUE(ParseScript(script, o.script, error)) << error;
  o.ms = ms;
  o.seed = seed;
  o.dumpState = true;
  o.sounds = sounds;
  std::ostringstream out, err;
  int status = sim::Run(o, out, err);
  return {status, out.str(), err.str()};
}

std::string Value(const std::string& report, const std::string& name) {
  size_t at = report.find("\n" + name + "=");
  if (at == std::string::npos) return "<missing>";
  at += name.size() + 2;
  return report.substr(at, report.find('\n', at) - at);
}

const std::string kGame =
    "# a game: right, fire, left, fire\n"
    "1000 menu mnuStart\n"
    "1900 keydown 39 0\n"
    "2000 keydown 17 2\n"
    "2600 keyup 39\n"
    "2700 keydown left 0\n"
    "3300 keydown ctrl 2\n"
    "3900 keyup left\n";

TEST(SimTest, SameScriptAndSeedSameReport) {
  Result a = RunScript(kGame, 15000), b = RunScript(kGame, 15000);
  EXPECT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  Result c = RunScript(kGame, 15000, 2);
  EXPECT_NE(a.out, c.out);  // the seed matters (bombs, mothership)
  EXPECT_EQ(Value(a.out, "GameMode"), "0");
  EXPECT_NE(a.out.find("\n2000 Fire.wav\n"), std::string::npos);
  EXPECT_NE(a.out.find("\n1000 play music\n"), std::string::npos);
}

TEST(SimTest, ReportListsEveryFieldThenTimersMenusAndLabels) {
  Result r = RunScript("", 900, 1, false);
  EXPECT_EQ(r.out.substr(0, 8), "StarX=0\n");
  EXPECT_EQ(Value(r.out, "InvY[40]"), "257");
  EXPECT_EQ(Value(r.out, "RatingText[5]"), "NEW TYPE");
  EXPECT_EQ(Value(r.out, "GameMode"), "1");
  EXPECT_EQ(Value(r.out, "timMain.Interval"), "25");
  EXPECT_EQ(Value(r.out, "timInvader.Enabled"), "True");
  EXPECT_EQ(Value(r.out, "mnuMedium.Checked"), "True");
  EXPECT_EQ(Value(r.out, "lblTitle.Caption"), "Ruziz Kestrovan");
  EXPECT_EQ(Value(r.out, "lblTitle.Visible"), "True");  // the attract mode's blink, first phase
  EXPECT_LT(r.out.find("DemoDir="), r.out.find("timMain.Interval="));
  EXPECT_LT(r.out.find("timShootingStar.Enabled="), r.out.find("mnuFile.Checked="));
  EXPECT_LT(r.out.find("mnuAbout.Checked="), r.out.find("lblTitle.Caption="));
}

TEST(SimTest, MenusAndExit) {
  Result r = RunScript("100 menu mnuHard\n2000 menu mnuFast\n3000 menu mnuExit\n", 60000);
  EXPECT_EQ(Value(r.out, "mnuHard.Checked"), "True");
  EXPECT_EQ(Value(r.out, "InvGapX"), "46");
  EXPECT_EQ(Value(r.out, "timMain.Interval"), "2");
  EXPECT_EQ(Value(r.out, "BombSlots"), "12");
  EXPECT_NE(r.out.find("\n3000 close all\n"), std::string::npos);
}

// The report's two parts: the sound calls ("MS what") and the state dump ("name=value").
struct Report {
  std::vector<std::pair<int64_t, std::string>> sounds;
  std::string dump;
};

Report Split(const std::string& out) {
  Report r;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    size_t space = line.find(' ');
    if (line.find('=') == std::string::npos && space != std::string::npos)
      r.sounds.emplace_back(std::stoll(line.substr(0, space)), line.substr(space + 1));
    else
      r.dump += line + "\n";
  }
  return r;
}

std::string FileText(const std::string& path) {
  std::string text, error;
  EXPECT_TRUE(ReadTextFile(path, text, error)) << error;
  return text;
}

// A minute's pause in the middle of kGame: before, during and after it the game is the one
// that never paused, the pause and its minute aside.
TEST(SimTest, ALongPauseChangesNothingButTheTimeItTook) {
  TempFolder dir;
  const std::string shots = dir.path() + "/";
  const std::string pause = "5000 keydown p 0\n5000 keyup p\n5100 screenshot " + shots + "paused.ppm\n";
  const std::string resume = "65000 keydown pause 0\n75000 screenshot " + shots + "resumed.ppm\n";
  Report before = Split(RunScript(kGame, 4999).out);
  Report held = Split(RunScript(kGame + pause, 65000).out);
  Report after = Split(RunScript(kGame + pause + resume, 75000).out);
  Report never =
      Split(RunScript(kGame + "5000 screenshot " + shots + "before.ppm\n15000 screenshot " + shots + "never.ppm\n", 15000).out);

  EXPECT_EQ(held.dump, before.dump + "Paused=True\n");
  EXPECT_EQ(after.dump, never.dump);
  EXPECT_EQ(FileText(shots + "resumed.ppm"), FileText(shots + "never.ppm"));

  // Sounds: nothing new while paused; afterwards the same calls, a minute later.
  std::vector<std::pair<int64_t, std::string>> shifted;
  for (const auto& [ms, what] : never.sounds) shifted.emplace_back(ms > 5000 ? ms + 60000 : ms, what);
  auto expected = before.sounds;
  expected.emplace_back(5000, "hold");
  EXPECT_EQ(held.sounds, expected);
  shifted.insert(std::find_if(shifted.begin(), shifted.end(), [](const auto& s) { return s.first > 5000; }),
                 {{5000, "hold"}, {65000, "release"}});
  EXPECT_EQ(after.sounds, shifted);

  // The frozen picture carries a white caption in the middle of the playfield, nothing else.
  const std::string a = FileText(shots + "before.ppm"), b = FileText(shots + "paused.ppm");
  ASSERT_EQ(a.size(), b.size());
  const size_t header = std::string("P6\n794 436\n255\n").size();
  int minX = 794, maxX = -1, minY = 436, maxY = -1, white = 0;
  for (size_t i = header; i + 2 < a.size(); i += 3) {
    const int p = static_cast<int>((i - header) / 3), x = p % 794, y = p / 794;
    const bool ink = b.compare(i, 3, "\xff\xff\xff") == 0 && a.compare(i, 3, b, i, 3) != 0;
    if (ink) ++white, minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    // Outside the caption's band nothing changed.
    if (y < 180 || y > 256) {
      EXPECT_EQ(a.compare(i, 3, b, i, 3), 0) << x << "," << y;
    }
  }
  EXPECT_GT(white, 200);
  EXPECT_NEAR((minX + maxX) / 2.0, 314, 2);
  EXPECT_NEAR((minY + maxY) / 2.0, 218, 2);
  EXPECT_LT(maxX - minX, 400);
}

TEST(SimTest, PauseIsForPlayOnlyAndHoldsTheKeysButNotTheStartItem) {
  // On the title screen the pause keys are ordinary keys.
  EXPECT_EQ(RunScript("1000 keydown p 0\n1100 keydown pause 0\n", 3000).out, RunScript("", 3000).out);
  // P with a modifier fires, as any key with a modifier does.
  EXPECT_NE(RunScript(std::string(kGame) + "4500 keydown p 1\n", 4600).out.find("\n4500 Fire.wav\n"),
            std::string::npos);
  // While paused the cannon neither moves nor fires; F5 resumes into a new game.
  Result r = RunScript(std::string(kGame) + "4500 keydown p 0\n4600 keydown right 0\n4700 keydown ctrl 2\n", 9000);
  EXPECT_EQ(Value(r.out, "ShipDir"), "0");
  EXPECT_EQ(r.out.find("\n4700 Fire.wav\n"), std::string::npos);
  Result again = RunScript(std::string(kGame) + "4500 keydown p 0\n6000 keydown f5 0\n", 9000);
  EXPECT_EQ(again.out.find("Paused="), std::string::npos);
  EXPECT_EQ(Value(again.out, "GameMode"), "0");
  EXPECT_NE(again.out.find("\n6000 release\n"), std::string::npos);
}

TEST(SimTest, AboutBoxStaysOpenUntilAnsweredWhileTheGameRuns) {
  Result open = RunScript("1000 menu mnuAbout\n", 5000);
  Result closed = RunScript("1000 menu mnuAbout\n1200 answer\n", 5000);
  EXPECT_EQ(open.status, 0);
  // Timers kept firing behind the box: the formation marched in both runs alike.
  EXPECT_EQ(Value(open.out, "InvX[1]"), Value(closed.out, "InvX[1]"));
}

TEST(SimTest, ScriptErrorsNameTheLine) {
  std::vector<Command> cmds;
  std::string error;
  EXPECT_FALSE(ParseScript("100 keydown 37 0\n\nabc menu mnuStart\n", cmds, error));
  EXPECT_EQ(error.rfind("line 3:", 0), 0u) << error;
  for (const char* bad : {"5 jump", "5 keydown", "5 keydown x", "5 menu", "5 menu a b", "5 dblclick now",
                          "-5 dblclick", "5 keyup 37 0 9"}) {
    cmds.clear();
    EXPECT_FALSE(ParseScript(bad, cmds, error)) << bad;
  }
  cmds.clear();
  ASSERT_TRUE(ParseScript("7 answer  Ruziz K \n8 answer\n9 keydown f5\n", cmds, error));
  EXPECT_EQ(cmds[0].text.value(), "Ruziz K");
  EXPECT_FALSE(cmds[1].text.has_value());
  EXPECT_EQ(cmds[2].code, 116);
}

TEST(SimTest, UnknownMenuAndMissingFolderFailClearly) {
  Options o;
  std::string error;
  ASSERT_TRUE(ParseScript("10 menu mnuNothing\n", o.script, error));
  o.ms = 100;
  std::ostringstream out, err;
  EXPECT_EQ(sim::Run(o, out, err), 2);
  EXPECT_NE(err.str().find("mnuNothing"), std::string::npos);
  Options missing;
  missing.dir = "/nonexistent/kestrovan";
  missing.ms = 10;
  std::ostringstream out2, err2;
  EXPECT_EQ(sim::Run(missing, out2, err2), 1);
}

TEST(SimTest, ScreenshotDuringTheSetUpPauseShowsTheTitle) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  std::string shot = dir.path() + "/title.ppm";
  Result r = RunScript("400 screenshot " + shot + "\n", 1000);
  ASSERT_EQ(r.status, 0) << r.err;
  std::string ppm, error;
  ASSERT_TRUE(ReadTextFile(shot, ppm, error));
  const std::string header = "P6\n794 436\n255\n";
  ASSERT_EQ(ppm.compare(0, header.size(), header), 0);
  auto pixel = [&](int x, int y) {
    size_t at = header.size() + (static_cast<size_t>(y) * 794 + x) * 3;
    return (uint32_t(uint8_t(ppm[at])) << 16) | (uint32_t(uint8_t(ppm[at + 1])) << 8) | uint8_t(ppm[at + 2]);
  };
  int title = 0, bases = 0;
  for (int y = 0; y < 69; ++y)
    for (int x = 0; x < 629; ++x) title += pixel(x, y) == 0x00FF00;
  for (int x = 68; x < 112; ++x) bases += pixel(x, 331) == 0x00FF00;
  EXPECT_GT(title, 500);
  EXPECT_EQ(bases, 44);
  // The pause's end hides it and the first attract tick shows it again, for 40 ticks.
  EXPECT_EQ(Value(r.out, "lblTitle.Visible"), "True");
  EXPECT_EQ(Value(r.out, "TitleBlink"), "32");
}

TEST(SimTest, ScreenshotIsAPngOfTheClientArea) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  Options o;
  o.ms = 1000;
  o.screenshot = dir.path() + "/shot.png";
  std::ostringstream out, err;
  ASSERT_EQ(sim::Run(o, out, err), 0) << err.str();
  std::string png, readError;
  ASSERT_TRUE(ReadTextFile(o.screenshot, png, readError));
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto be32 = [&](size_t at) {
    return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
           (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
  };
  EXPECT_EQ(be32(16), 794u);
  EXPECT_EQ(be32(20), 436u);
  o.screenshot = "/nonexistent/dir/shot.png";
  std::ostringstream out2, err2;
  EXPECT_EQ(sim::Run(o, out2, err2), 1);
  EXPECT_NE(err2.str().find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace kv::sim
