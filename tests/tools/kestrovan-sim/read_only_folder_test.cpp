// A program folder the player may not write to (a game installed by root): the settings and
// the record go to the configuration folder, seeded from the file beside the program, and
// come back from there in the next run. The simulator runs as its own process; under root it
// runs as an unprivileged user, for whom the folder is truly read-only.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "installer_test_support.h"

using namespace testsupport;

namespace {

std::string Text(const std::string& path) {
  std::vector<uint8_t> bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string Value(const std::string& report, const std::string& name) {
  size_t at = report.find("\n" + name + "=");
  if (at == std::string::npos) return "<missing>";
  at += name.size() + 2;
  return report.substr(at, report.find('\n', at) - at);
}

class ReadOnlyFolder : public ::testing::Test {
 protected:
  ProcessResult Sim(const std::string& script, int ms) {
    write_file(scratch / "play.txt", script);
    std::vector<std::string> args = {"--dir", program.path(), "--script", scratch / "play.txt",
                                     "--ms", std::to_string(ms), "--dump-state"};
    std::string binary = KESTROVAN_SIM;
    if (geteuid() == 0) {  // root writes anywhere: run as nobody
      args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", "--", binary});
      binary = "/usr/bin/setpriv";
    }
    return run_process(binary, args, "", scratch.path(), {"XDG_CONFIG_HOME=" + config.path(), "HOME=/nonexistent"});
  }

  TempDir program, config, scratch;
  std::string beside = program / "Ruziz Kestrovan.ini";
  std::string fallback = config / "ruziz-kestrovan/Ruziz Kestrovan.ini";
};

TEST_F(ReadOnlyFolder, SettingsAndRecordLiveInTheConfigurationFolder) {
  const std::string seed = "[HighScore]\r\nName=Rival\r\nScore=10\r\n\r\n[Settings]\r\nSpeed=2\r\n\r\n[Mine]\r\nKeep=1\r\n";
  write_file(beside, seed);
  chmod(program.path().c_str(), 0555);
  chmod(config.path().c_str(), 0777);
  chmod(scratch.path().c_str(), 0777);

  // Easy from the title menu, then a fast game with the fire key held; the name is answered
  // when it is asked for, and the program is closed.
  std::string script = "0 answer Champion\n500 menu mnuEasy\n2000 menu mnuStart\n";
  for (int t = 3000; t <= 40000; t += 100) script += std::to_string(t) + " keydown ctrl 2\n";
  script += "60000 menu mnuExit\n";
  ProcessResult first = Sim(script, 70000);
  ASSERT_EQ(first.exit_code, 0) << first.output;
  EXPECT_EQ(first.output.find("Kestrovan: cannot"), std::string::npos) << first.output;
  std::string score = Value("\n" + first.output, "Score");
  ASSERT_GT(std::stod(score), 10) << first.output;

  EXPECT_EQ(Text(beside), seed);  // untouched
  EXPECT_EQ(Text(fallback), "[HighScore]\r\nName=Champion\r\nScore=" + score +
                                "\r\n\r\n[Settings]\r\nSpeed=2\r\nLevel=0\r\nSound=True\r\nMusic=True\r\n\r\n[Mine]\r\nKeep=1\r\n");
  EXPECT_EQ(mode_of(config / "ruziz-kestrovan") & 0777, 0700u);

  ProcessResult second = Sim("", 3000);
  ASSERT_EQ(second.exit_code, 0) << second.output;
  std::string report = "\n" + second.output;
  EXPECT_EQ(Value(report, "HiScoreName"), "Champion");
  EXPECT_EQ(Value(report, "HiScore"), score);
  EXPECT_EQ(Value(report, "mnuEasy.Checked"), "True");
  EXPECT_EQ(Value(report, "mnuFast.Checked"), "True");
  chmod(program.path().c_str(), 0755);
}

}  // namespace
