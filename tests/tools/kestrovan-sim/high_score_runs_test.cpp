// Two runs of the simulator on one program folder: the first beats the record and enters a
// name, the second shows it.
#include <gtest/gtest.h>

#include <sstream>

#include "game/platform/file_store.h"
#include "game/platform/headless/files.h"
#include "tools/kestrovan-sim/sim_run.h"

namespace kv::sim {
namespace {

std::string Value(const std::string& report, const std::string& name) {
  size_t at = report.find("\n" + name + "=");
  if (at == std::string::npos) return "<missing>";
  at += name.size() + 2;
  return report.substr(at, report.find('\n', at) - at);
}

std::string RunIn(const std::string& dir, const std::string& script, int64_t ms, std::string* screenshot = nullptr) {
  Options o;
  std::string error;
  EXPECT_TRUE(ParseScript(script, o.script, error)) << error;
  o.dir = dir;
  o.ms = ms;
  o.dumpState = o.sounds = o.dialogs = true;
  if (screenshot) o.screenshot = *screenshot;
  std::ostringstream out, err;
  EXPECT_EQ(sim::Run(o, out, err), 0) << err.str();
  return "\n" + out.str();
}

TEST(HighScoreRunsTest, ARecordEnteredInOneRunIsShownInTheNext) {
  TempFolder dir;
  ASSERT_TRUE(dir.ok());
  const std::string ini = dir.path() + "/Ruziz Kestrovan.ini";
  ASSERT_TRUE(ReplaceFile(ini, "[HighScore]\r\nName=Rival\r\nScore=10\r\n"));

  // A fast game with the fire key held until the cannons are gone; the name is answered as
  // soon as it is asked for, and the program is closed afterwards.
  std::string script = "0 answer Champion\n500 menu mnuFast\n2000 menu mnuStart\n";
  for (int t = 3000; t <= 40000; t += 100) script += std::to_string(t) + " keydown ctrl 2\n";
  script += "60000 menu mnuExit\n";
  std::string first = RunIn(dir.path(), script, 70000);

  EXPECT_NE(first.find(" input ハイスコア | おめでとうございます。\\n名前を入力してください ...\\n\\n最大 10 文字 | Champion\n"),
            std::string::npos);
  EXPECT_NE(first.find(" high.wav\n"), std::string::npos);
  std::string score = Value(first, "Score");
  EXPECT_GT(std::stod(score), 10);
  EXPECT_EQ(Value(first, "HiScore"), score);
  EXPECT_NE(first.find("\n60000 close all\n"), std::string::npos);  // the exit stopped the music
  std::string stored;
  ASSERT_EQ(ReadWholeFile(ini, stored, 1 << 16), ReadResult::Ok);
  EXPECT_EQ(stored, "[HighScore]\r\nName=Champion\r\nScore=" + score +
                        "\r\n\r\n[Settings]\r\nLevel=1\r\nSpeed=2\r\nSound=True\r\nMusic=True\r\n");

  std::string shot = dir.path() + "/title.ppm";
  std::string second = RunIn(dir.path(), "", 3000, &shot);
  EXPECT_EQ(Value(second, "HiScoreName"), "Champion");
  EXPECT_EQ(Value(second, "HiScore"), score);
  EXPECT_EQ(Value(second, "lblHsName.Caption"), "Champion");
  EXPECT_EQ(Value(second, "lblHiScore.Caption"), score);
  EXPECT_EQ(Value(second, "mnuFast.Checked"), "True");
  EXPECT_EQ(Value(second, "timMain.Interval"), "2");
  // The panel shows the holder's name in white.
  std::string ppm, error;
  ASSERT_TRUE(ReadTextFile(shot, ppm, error));
  const size_t header = std::string("P6\n794 436\n255\n").size();
  int white = 0;
  for (int y = 64; y < 85; ++y)
    for (int x = 629 + 12; x < 629 + 157; ++x) {
      size_t at = header + (static_cast<size_t>(y) * 794 + x) * 3;
      white += ppm[at] == '\xff' && ppm[at + 1] == '\xff' && ppm[at + 2] == '\xff';
    }
  EXPECT_GT(white, 50);
}

}  // namespace
}  // namespace kv::sim
