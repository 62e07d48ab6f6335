// kestrovan-sim: scripts, determinism and the report.
#include <gtest/gtest.h>

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

const char kGame[] =
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
