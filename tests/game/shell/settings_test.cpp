// Settings: loading at start, saving at unload, the file's place, and level and speed.
#include "tests/game/shell/shell_fixture.h"

namespace kv::test {
namespace {

using SettingsTest = ShellTest;

TEST_F(SettingsTest, FirstRunWithoutAnIniFile) {
  frmMain& f = Load();
  EXPECT_TRUE(f.mnuMedium.Checked());
  EXPECT_TRUE(f.mnuNormal.Checked());
  EXPECT_EQ(f.timMain.Interval(), 25);  // no speed procedure has run
  EXPECT_EQ(g().InvCount, 40);
  RunUntil(1000);
  EXPECT_EQ(f.lblHiScore.Caption(), "19300");
  EXPECT_EQ(f.lblHsName.Caption(), "Velmora");
  EXPECT_FALSE(FileExists(IniPath()));  // reading creates nothing
  f.Unload();
  EXPECT_EQ(ReadIni(), "[Settings]\r\nLevel=1\r\nSpeed=1\r\nSound=True\r\nMusic=True\r\n");
}

TEST_F(SettingsTest, FirstRunWithoutAWaveDeviceSavesSoundAndMusicOff) {
  Load(false).Unload();
  EXPECT_EQ(ReadIni(), "[Settings]\r\nLevel=1\r\nSpeed=1\r\nSound=False\r\nMusic=False\r\n");
}

TEST_F(SettingsTest, EasyAndFastFromTheFile) {
  WriteIni("[Settings]\nLevel=0\nSpeed=2\n");
  frmMain& f = Load();
  EXPECT_TRUE(f.mnuEasy.Checked());
  EXPECT_FALSE(f.mnuMedium.Checked());
  EXPECT_TRUE(f.mnuFast.Checked());
  EXPECT_FALSE(f.mnuNormal.Checked());
  EXPECT_EQ(g().InvCount, 30);
  EXPECT_EQ(g().InvGapX, 26);  // the attract round was built on Easy
  EXPECT_EQ(f.timMain.Interval(), 2);
  EXPECT_EQ(f.lblLevel.Caption(), "Easy");
  EXPECT_EQ(f.lblSpeed.Caption(), "Fast");
  f.Unload();
  EXPECT_EQ(ReadIni(), "[Settings]\nLevel=0\nSpeed=2\nSound=True\nMusic=True\n");
}

TEST_F(SettingsTest, OutOfRangeValuesGiveTheMiddleSetting) {
  for (const char* file : {"[Settings]\nLevel=7\nSpeed=5\n", "[Settings]\nLevel=70000\nSpeed=-1\n",
                           "[Settings]\nLevel=x\nSpeed=\n"}) {
    WriteIni(file);
    frmMain& f = Load();
    EXPECT_TRUE(f.mnuMedium.Checked()) << file;
    EXPECT_TRUE(f.mnuNormal.Checked()) << file;
    EXPECT_EQ(f.timMain.Interval(), 35) << file;  // a speed procedure ran
    EXPECT_EQ(f.lblLevel.Caption(), "Normal") << file;
    EXPECT_EQ(f.lblSpeed.Caption(), "Normal") << file;
  }
}

TEST_F(SettingsTest, SoundOffFromTheFile) {
  WriteIni("[Settings]\nSound=False\nMusic=true\n");
  frmMain& f = Load();
  EXPECT_FALSE(f.mnuSound.Checked());
  EXPECT_TRUE(f.mnuMusicOn.Checked());
  f.mnuStart_Click();
  RunUntil(5000);
  EXPECT_FALSE(AnyWave());
  EXPECT_EQ(Count("play music"), 1);  // music is not affected
  f.Unload();
  EXPECT_NE(ReadIni().find("Sound=False\nMusic=True\n"), std::string::npos);
}

TEST_F(SettingsTest, SoundAndMusicWordsAndNumbers) {
  struct Case {
    const char* value;
    bool on;
  };
  for (Case c : {Case{"FALSE", false}, Case{" false ", false}, Case{"0", false}, Case{"-1", true},
                 Case{"TRUE", true}, Case{"maybe", true}, Case{"", true}}) {
    WriteIni(std::string("[Settings]\nSound=") + c.value + "\nMusic=" + c.value + "\n");
    frmMain& f = Load();
    EXPECT_EQ(static_cast<bool>(g().SoundOn), c.on) << c.value;
    EXPECT_EQ(f.mnuMusicOn.Checked(), c.on) << c.value;
  }
}

TEST_F(SettingsTest, StoredNameIsCutToTenCharacters) {
  WriteIni("[HighScore]\nName=ABCDEFGHIJKLM\nScore=20000\n");
  frmMain& f = Load();
  EXPECT_EQ(g().HiScoreName, "ABCDEFGHIJ");
  EXPECT_EQ(g().HiScore, 20000);
  RunUntil(600);
  EXPECT_EQ(f.lblHsName.Caption(), "ABCDEFGHIJ");
  EXPECT_EQ(f.lblHiScore.Caption(), "20000");
  WriteIni("[HighScore]\nName=あいうえおかきくけこさし\n");
  Load();
  EXPECT_EQ(g().HiScoreName, "あいうえおかきくけこ");
}

TEST_F(SettingsTest, EmptyOrUnusableRecordValuesGiveTheDefaults) {
  WriteIni("[HighScore]\nName=\nScore=\n");
  Load();
  EXPECT_EQ(g().HiScoreName, "Velmora");
  EXPECT_EQ(g().HiScore, 19300);
  WriteIni("[HighScore]\nName=Ann\nScore=lots\n");
  Load();
  EXPECT_EQ(g().HiScoreName, "Ann");
  EXPECT_EQ(g().HiScore, 19300);
}

TEST_F(SettingsTest, Cp932NameFromTheOriginalPlatform) {
  WriteIni("[HighScore]\r\nName=\x83\x65\x83\x58\x83\x67\r\nScore=25000\r\n");
  Load();
  EXPECT_EQ(g().HiScoreName, "テスト");
  EXPECT_EQ(g().HiScore, 25000);
}

TEST_F(SettingsTest, SaveKeepsCommentsAndOtherSections) {
  const std::string file =
      "; written by hand\r\n"
      "[HighScore]\r\n"
      "Name=Ann\r\n"
      "Score=25000\r\n"
      "\r\n"
      "[Settings]\r\n"
      "; 0 Easy, 1 Medium, 2 Hard\r\n"
      "Level=1\r\n"
      "Extra=keep\r\n"
      "\r\n"
      "[Mine]\r\n"
      "Speed=9\r\n";
  WriteIni(file);
  frmMain& f = Load();
  f.mnuHard_Click();
  f.mnuSound_Click();
  f.Unload();
  EXPECT_EQ(ReadIni(),
            "; written by hand\r\n"
            "[HighScore]\r\n"
            "Name=Ann\r\n"
            "Score=25000\r\n"
            "\r\n"
            "[Settings]\r\n"
            "; 0 Easy, 1 Medium, 2 Hard\r\n"
            "Level=2\r\n"
            "Extra=keep\r\n"
            "Speed=1\r\n"
            "Sound=False\r\n"
            "Music=True\r\n"
            "\r\n"
            "[Mine]\r\n"
            "Speed=9\r\n");
}

// The desktop's scale and fullscreen live in a section of their own, written only once there
// is something to keep.
TEST_F(SettingsTest, DisplaySectionIsReadKeptAndWrittenOnlyOnceChosen) {
  struct Case {
    const char* file;
    int scale;
    bool fullscreen, stored;
  } cases[] = {
      {"[Settings]\r\nLevel=1\r\n", 0, false, false},
      {"[Display]\r\nScale=3\r\nFullscreen=True\r\n", 3, true, true},
      {"[Display]\r\nScale=-4\r\n", 0, false, true},
      {"[Display]\r\nScale=99\r\nFullscreen=maybe\r\n", 16, false, true},
  };
  for (const Case& c : cases) {
    WriteIni(c.file);
    frmMain& f = Load();
    EXPECT_EQ(f.display.scale, c.scale) << c.file;
    EXPECT_EQ(f.display.fullscreen, c.fullscreen) << c.file;
    EXPECT_EQ(f.display.stored, c.stored) << c.file;
    f.Unload();
    EXPECT_EQ(ReadIni().find("[Display]") != std::string::npos, c.stored) << c.file;
  }
  WriteIni(cases[0].file);
  frmMain& f = Load();
  f.display = {2, false, true};  // the player chose
  f.Unload();
  EXPECT_NE(ReadIni().find("Music=True\r\n\r\n[Display]\r\nScale=2\r\nFullscreen=False\r\n"), std::string::npos)
      << ReadIni();
}

TEST_F(SettingsTest, AppFilePathJoinsWithOneSeparator) {
  for (const char* folder : {"/", "/opt/kestrovan"}) {
    HeadlessOptions o;
    o.folder = folder;
    HeadlessPlatform p(o);
    frmMain f(p.ports());
    std::string expected = std::string(folder) + (std::string(folder) == "/" ? "" : "/") + "bgm.mid";
    EXPECT_EQ(f.AppFilePath("bgm.mid"), expected);
    EXPECT_EQ(f.AppFilePath("\\bgm.mid"), expected);
  }
}

TEST_F(SettingsTest, AppFilePathFindsNamesWithoutRegardToCase) {
  Put("BGM.MID", "x");
  Put("Inv1.wav", "x");
  Put("inv1.WAV", "x");
  Put("start.wav", "x");
  frmMain& f = Load();
  EXPECT_EQ(f.AppFilePath("\\bgm.mid"), dir.path() + "/BGM.MID");
  EXPECT_EQ(f.AppFilePath("start.wav"), dir.path() + "/start.wav");       // the exact name first
  EXPECT_EQ(f.AppFilePath("INV1.wav"), dir.path() + "/Inv1.wav");         // else the first in order
  EXPECT_EQ(f.AppFilePath("high.wav"), dir.path() + "/high.wav");         // missing: as asked
}

TEST_F(SettingsTest, LevelAndSpeedChangeOnlyOnTheTitle) {
  frmMain& f = Load();
  f.mnuFast_Click();
  EXPECT_TRUE(f.mnuFast.Checked());
  EXPECT_EQ(f.timMain.Interval(), 2);
  EXPECT_EQ(f.lblSpeed.Caption(), "Fast");
  f.mnuSlow_Click();
  EXPECT_EQ(f.timMain.Interval(), 100);
  EXPECT_EQ(f.lblSpeed.Caption(), "Slow");
  f.mnuStart_Click();
  f.mnuEasy_Click();
  f.mnuNormal_Click();
  EXPECT_TRUE(f.mnuMedium.Checked());
  EXPECT_TRUE(f.mnuSlow.Checked());
  EXPECT_EQ(f.timMain.Interval(), 100);
  f.Unload();  // closing during a game saves the settings
  EXPECT_EQ(ReadIni(), "[Settings]\r\nLevel=1\r\nSpeed=0\r\nSound=True\r\nMusic=True\r\n");
}

}  // namespace
}  // namespace kv::test
