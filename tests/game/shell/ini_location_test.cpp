// Where the INI file is read and written: beside the program, or in the configuration folder
// after a save there failed. (A program folder that takes no writes at all is run end to end
// in tests/tools/kestrovan-sim.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "game/platform/file_store.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/headless_platform.h"
#include "game/shell/cIniFile.h"
#include "game/shell/ini_location.h"

namespace kv {
namespace {

class IniLocationTest : public ::testing::Test {
 protected:
  std::string Value(const std::string& path, const std::string& key) {
    return cIniFile().MyGetString(path, "Settings", key, "<none>");
  }

  TempFolder program, config;
  HeadlessLoop loop;
  HeadlessHost host{loop, program.path(), config.path()};
  IniLocation location{host};
  std::string beside = program.path() + "/Ruziz Kestrovan.ini";
  std::string fallback = config.path() + "/ruziz-kestrovan/Ruziz Kestrovan.ini";
};

TEST_F(IniLocationTest, AWritableProgramFolderKeepsTheFileBesideTheProgram) {
  EXPECT_EQ(location.Fallback(beside), fallback);
  EXPECT_EQ(location.Path(beside), beside);
  EXPECT_TRUE(location.Set(beside, "Settings", "Level", "2"));
  EXPECT_EQ(Value(beside, "Level"), "2");
  EXPECT_FALSE(FileExists(fallback));
  EXPECT_TRUE(host.problems.empty());
}

TEST_F(IniLocationTest, AFailedSaveIsSaidAndTheFallbackServesTheRestOfTheRun) {
  ASSERT_EQ(mkdir(beside.c_str(), 0755), 0);  // something that is no INI file holds the name
  EXPECT_TRUE(location.Set(beside, "Settings", "Level", "0"));
  EXPECT_TRUE(location.Set(beside, "Settings", "Speed", "2"));
  ASSERT_EQ(host.problems.size(), 1u);
  EXPECT_EQ(host.problems[0], "Kestrovan: cannot save the settings in " + beside + " (Is a directory); saving them in " +
                                  fallback);
  EXPECT_EQ(location.Path(beside), fallback);
  EXPECT_EQ(Value(fallback, "Level"), "0");
  EXPECT_EQ(Value(fallback, "Speed"), "2");
}

TEST_F(IniLocationTest, WithoutAConfigurationFolderAFailedSaveIsStillSaid) {
  HeadlessHost bare{loop, program.path()};
  IniLocation nowhere{bare};
  ASSERT_EQ(mkdir(beside.c_str(), 0755), 0);
  EXPECT_EQ(nowhere.Path(beside), beside);
  EXPECT_FALSE(nowhere.Set(beside, "Settings", "Level", "0"));
  EXPECT_FALSE(nowhere.Set(beside, "Settings", "Speed", "0"));
  ASSERT_EQ(bare.problems.size(), 1u);  // once per run, not once per key
  EXPECT_EQ(bare.problems[0], "Kestrovan: cannot save the settings in " + beside + " (Is a directory)");
}

TEST_F(IniLocationTest, ASaveThatFailsInBothPlacesNamesBoth) {
  ASSERT_EQ(mkdir(beside.c_str(), 0755), 0);
  ASSERT_TRUE(MakeFolders(fallback));  // the fallback's name is taken by a folder as well
  EXPECT_FALSE(location.Set(beside, "Settings", "Level", "0"));
  ASSERT_EQ(host.problems.size(), 2u);
  EXPECT_NE(host.problems[0].find(beside + " (Is a directory); saving them in"), std::string::npos);
  EXPECT_EQ(host.problems[1], "Kestrovan: cannot save the settings in " + fallback + " (Is a directory)");
}

}  // namespace
}  // namespace kv
