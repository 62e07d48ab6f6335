// Effects and music: which calls reach the sound port, in which order, and when none do.
#include "tests/game/shell/shell_fixture.h"

namespace kv::test {
namespace {

using SoundTest = ShellTest;
using Calls = std::vector<std::string>;

TEST_F(SoundTest, MarchSoundsCycleAndAdvanceOnlyWhenPlayed) {
  frmMain& f = Load();
  platform->sound.clear();
  for (int i = 0; i < 5; ++i) f.timInvader_Timer();
  EXPECT_EQ(Sounds(), (Calls{"inv1.wav", "inv2.wav", "inv3.wav", "inv4.wav", "inv1.wav"}));
  platform->sound.clear();
  f.mnuSound_Click();
  f.timInvader_Timer();
  f.timInvader_Timer();
  f.mnuSound_Click();
  f.timInvader_Timer();
  EXPECT_EQ(Sounds(), (Calls{"inv2.wav"}));
  EXPECT_TRUE(f.mnuSound.Checked());
}

TEST_F(SoundTest, AGameStartsWithTheStartSoundThenTheMusic) {
  frmMain& f = Load();
  platform->sound.clear();
  f.mnuStart_Click();
  EXPECT_EQ(Sounds(), (Calls{"close all", "start.wav", "close all", "open bgm.mid", "play music"}));
  for (const SoundCall& c : platform->sound.calls()) EXPECT_EQ(c.time, 800);  // together, before the pause
}

TEST_F(SoundTest, TheAttractRoundGetsTheStartSoundButNoMusic) {
  Load();
  EXPECT_EQ(Sounds(), (Calls{"close all", "start.wav"}));
  RunUntil(20000);  // whatever the demonstration does, no music starts
  EXPECT_EQ(Count("play music"), 0);
}

TEST_F(SoundTest, MusicSwitchStopsAtOnceAndRestartsFromTheBeginning) {
  frmMain& f = Load();
  f.mnuStart_Click();
  platform->sound.clear();
  f.mnuMusicOn_Click();
  EXPECT_EQ(Sounds(), (Calls{"close all"}));
  EXPECT_FALSE(f.mnuMusicOn.Checked());
  EXPECT_FALSE(g().MusicOn);
  f.mnuMusicOn_Click();
  EXPECT_EQ(Sounds(), (Calls{"close all", "close all", "open bgm.mid", "play music"}));
  EXPECT_TRUE(f.mnuMusicOn.Checked());
  // On the title screen as well.
  g().GameMode = kModeSwitching;
  f.Form_DblClick();
  ASSERT_EQ(g().GameMode, kModeTitle);
  f.mnuMusicOn_Click();
  platform->sound.clear();
  f.mnuMusicOn_Click();
  EXPECT_EQ(Sounds(), (Calls{"close all", "open bgm.mid", "play music"}));
}

TEST_F(SoundTest, WithoutAWaveDeviceNothingPlaysAndMusicStaysOff) {
  frmMain& f = Load(false);
  EXPECT_FALSE(f.mnuSound.Checked());
  EXPECT_FALSE(f.mnuMusicOn.Checked());
  f.mnuMusicOn_Click();
  EXPECT_FALSE(f.mnuMusicOn.Checked());
  EXPECT_FALSE(g().MusicOn);
  f.mnuSound_Click();  // the switch changes; still nothing is heard
  EXPECT_TRUE(f.mnuSound.Checked());
  f.mnuStart_Click();
  RunUntil(8000);
  EXPECT_FALSE(AnyWave());
  EXPECT_EQ(Count("play music"), 0);
  EXPECT_EQ(Count("open bgm.mid"), 0);
}

TEST_F(SoundTest, FilesAreFoundWithoutRegardToCaseAndAMissingOneIsNotPlayed) {
  Put("Start.wav", "RIFF");
  Put("Inv1.wav", "RIFF");
  Put("BGM.mid", "MThd");
  frmMain& f = Load();
  f.mnuStart_Click();
  f.timInvader_Timer();
  EXPECT_EQ(Sounds(), (Calls{"close all", "Start.wav", "close all", "Start.wav", "close all", "open BGM.mid",
                             "play music", "Inv1.wav"}));
  EXPECT_TRUE(f.PlaySoundFile(f.AppFilePath("inv1.wav"), true));
  EXPECT_FALSE(f.PlaySoundFile(f.AppFilePath("high.wav"), true));
}

TEST_F(SoundTest, UnloadStopsTheMusicBeforeSaving) {
  frmMain& f = Load();
  f.mnuStart_Click();
  platform->sound.clear();
  f.Unload();
  EXPECT_EQ(Sounds(), (Calls{"close all"}));
  EXPECT_TRUE(FileExists(IniPath()));
  EXPECT_TRUE(platform->loop.Ended());
}

}  // namespace
}  // namespace kv::test
