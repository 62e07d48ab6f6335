// The title screen: the record and its holder, the name entry, the attract cannon and the
// blinking title.
#include "tests/game/shell/shell_fixture.h"

namespace kv::test {
namespace {

const char kPrompt[] = "おめでとうございます。\r\n名前を入力してください ...\r\n\r\n最大 10 文字";

class TitleTest : public ShellTest {
 protected:
  // At virtual time `at`: a game starts and ends at once with `score`, which beats the record.
  void GameWithRecordEndsAt(int64_t at, double score) {
    platform->loop.Post(at, [this, score] {
      form->mnuStart_Click();
      g().Score = score;
      form->timSub_Timer();
      g().GameMode = kModeSwitching;
      form->GameOver();
    }, HeadlessLoop::EventKind::Action);
  }
  void At(int64_t at, std::function<void()> look) {
    platform->loop.Post(at, std::move(look), HeadlessLoop::EventKind::Observer);
  }
  std::vector<SoundCall> CallsBetween(int64_t from, int64_t to) const {
    std::vector<SoundCall> out;
    for (const SoundCall& c : platform->sound.calls())
      if (c.time >= from && c.time <= to) out.push_back(c);
    return out;
  }
};

TEST_F(TitleTest, AScoreEqualToTheRecordIsNoRecordOneMoreIs) {
  frmMain& f = Load();
  f.mnuStart_Click();
  g().Score = 19300;
  f.timSub_Timer();
  EXPECT_FALSE(g().NewHiScore);
  EXPECT_EQ(f.lblHsName.Caption(), "Velmora");
  g().Score = 19301;
  f.timSub_Timer();
  EXPECT_TRUE(g().NewHiScore);
  EXPECT_EQ(g().HiScore, 19301);
  EXPECT_EQ(f.lblHiScore.Caption(), "19301");
  EXPECT_EQ(f.lblScore.Caption(), "19301");
  EXPECT_EQ(f.lblHsName.Caption(), "You !");
  EXPECT_EQ(f.lblLives.Caption(), "3");
  EXPECT_EQ(f.lblRound.Caption(), "1");
}

TEST_F(TitleTest, ANewRecordStopsTheMarchAsksForTheNameAndStoresIt) {
  frmMain& f = Load();
  platform->dialogs.Answer(10000, "ABCDEFGHIJKLM");
  GameWithRecordEndsAt(1000, 25000);
  bool marching = true;
  At(6000, [&] { marching = f.timInvader.Enabled(); });
  RunUntil(12000);

  ASSERT_EQ(platform->dialogs.shown().size(), 1u);
  const DialogShown& d = platform->dialogs.shown()[0];
  EXPECT_EQ(d.kind, "input");
  EXPECT_EQ(d.title, "ハイスコア");
  EXPECT_EQ(d.text, kPrompt);
  EXPECT_EQ(d.opened, 1000 + 800 + 2000);
  EXPECT_FALSE(marching);
  // The music stops before "high.wav"; no march sound plays while the dialog is open.
  std::vector<SoundCall> during = CallsBetween(d.opened, d.closed - 1);
  auto high = std::find_if(during.begin(), during.end(), [](const SoundCall& c) { return c.what == "high.wav"; });
  ASSERT_NE(high, during.end());
  ASSERT_NE(high, during.begin());
  EXPECT_EQ(high[-1].what, "close all");
  EXPECT_EQ(high->time, d.opened);
  for (const SoundCall& c : during) EXPECT_EQ(c.what.rfind("inv", 0), std::string::npos) << c.what;

  EXPECT_EQ(g().HiScoreName, "ABCDEFGHIJ");
  EXPECT_EQ(g().HiScore, 25000);
  EXPECT_FALSE(g().NewHiScore);
  EXPECT_EQ(g().GameMode, kModeTitle);
  EXPECT_TRUE(f.timInvader.Enabled());
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=ABCDEFGHIJ\r\nScore=25000\r\n");
  RunUntil(12600);
  EXPECT_EQ(f.lblHsName.Caption(), "ABCDEFGHIJ");
}

TEST_F(TitleTest, CancelAndBlankEntriesStoreNoName) {
  frmMain& f = Load();
  platform->dialogs.Answer(5000, std::nullopt);
  GameWithRecordEndsAt(1000, 20000);
  RunUntil(6000);
  EXPECT_EQ(g().HiScoreName, "No Name");
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=No Name\r\nScore=20000\r\n");
  // A line break in an entry would split the stored line; it becomes a blank.
  platform->dialogs.Answer(12000, "Ann\r\nScore=1");
  GameWithRecordEndsAt(7000, 21000);
  RunUntil(13000);
  EXPECT_EQ(g().HiScoreName, "Ann  Score");
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=Ann  Score\r\nScore=21000\r\n");
  EXPECT_EQ(f.lblHsName.Caption(), "Ann  Score");
}

TEST_F(TitleTest, PointsWonSinceTheLastStatusTickCountForTheRecord) {
  frmMain& f = Load();
  platform->dialogs.Answer(8000, "Late");
  platform->dialogs.Answer(30000, "Again");
  platform->loop.Post(1000, [&] {
    f.mnuStart_Click();
    g().Score = 20000;
    f.timSub_Timer();
    g().Score = 20450;  // won after the status line last looked
    g().GameMode = kModeSwitching;
    f.GameOver();
  }, HeadlessLoop::EventKind::Action);
  RunUntil(9000);
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=Late\r\nScore=20450\r\n");
  // The attract mode's own game over does not ask again.
  platform->loop.Post(9500, [&] {
    g().GameMode = kModeSwitching;
    f.GameOver();
  }, HeadlessLoop::EventKind::Action);
  RunUntil(14000);
  EXPECT_EQ(platform->dialogs.shown().size(), 1u);
  EXPECT_EQ(g().HiScoreName, "Late");
  // A record passed within the status line's last half second is still a record.
  platform->loop.Post(15000, [&] {
    f.mnuStart_Click();
    g().Score = 20451;
    g().GameMode = kModeSwitching;
    f.GameOver();
  }, HeadlessLoop::EventKind::Action);
  RunUntil(31000);
  EXPECT_EQ(platform->dialogs.shown().size(), 2u);
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=Again\r\nScore=20451\r\n");
}

TEST_F(TitleTest, AGameOverBehindTheOpenNameDialogBuildsTheAttractRoundOnly) {
  frmMain& f = Load();
  platform->dialogs.Answer(20000, "Hero");
  platform->loop.Post(1000, [&] {
    f.mnuStart_Click();
    g().Score = 30000;
    f.timSub_Timer();
    // The formation stands below the invasion line: the next move ends the game, and so
    // would every move behind the dialog while this formation stands.
    for (int n = 1; n <= g().InvCount; ++n) g().InvY[n] = 395;
  }, HeadlessLoop::EventKind::Action);
  RunUntil(25000);

  ASSERT_EQ(platform->dialogs.shown().size(), 1u);
  const DialogShown& d = platform->dialogs.shown()[0];
  int rounds = 0;
  for (const SoundCall& c : CallsBetween(d.opened, d.closed - 1)) rounds += c.what == "start.wav";
  EXPECT_GE(rounds, 1);  // the inner game over built a fresh attract round
  EXPECT_EQ(g().HiScoreName, "Hero");
  EXPECT_EQ(g().HiScore, 30000);
  EXPECT_EQ(ReadIni(), "[HighScore]\r\nName=Hero\r\nScore=30000\r\n");
  EXPECT_EQ(g().GameMode, kModeTitle);
  for (int n = 1; n <= g().InvCount; ++n) EXPECT_LT(g().InvY[n], 390) << n;
}

TEST_F(TitleTest, ALevelChangeOnTheTitleRereadsTheRecordAndRebuildsTheFormation) {
  WriteIni("[HighScore]\nName=Ann\nScore=25000\n");
  frmMain& f = Load();
  g().HiScore = 1;
  g().HiScoreName = "x";
  g().InvX[1] = 500;
  f.mnuHard_Click();
  EXPECT_EQ(g().HiScoreName, "Ann");
  EXPECT_EQ(g().HiScore, 25000);
  EXPECT_TRUE(f.mnuHard.Checked());
  EXPECT_EQ(g().InvCount, 40);
  EXPECT_EQ(g().InvX[1], 66);  // Hard's grid
  EXPECT_TRUE(g().DoubleBombs);
  EXPECT_EQ(f.lblLevel.Caption(), "Hard");
  f.mnuMedium_Click();
  EXPECT_EQ(f.lblLevel.Caption(), "Normal");
  EXPECT_EQ(g().InvX[1], 56);
}

TEST_F(TitleTest, ClosingDuringAGameDoesNotStoreABeatenRecord) {
  frmMain& f = Load();
  f.mnuStart_Click();
  g().Score = 50000;
  f.timSub_Timer();
  f.Unload();
  EXPECT_EQ(ReadIni().find("HighScore"), std::string::npos);
}

TEST_F(TitleTest, TheTitleBlinksFortyAttractTicksPerPhase) {
  frmMain& f = Load();
  ASSERT_FALSE(f.lblTitle.Visible());
  std::vector<int> toggles;
  bool shown = false;
  for (int tick = 0; tick < 200; ++tick) {
    f.timDemo_Timer();
    if (f.lblTitle.Visible() != shown) toggles.push_back(tick);
    shown = f.lblTitle.Visible();
  }
  EXPECT_EQ(toggles, (std::vector<int>{0, 40, 80, 120, 160}));
}

TEST_F(TitleTest, TheTitleAndTheDemoCannonRestDuringPlay) {
  frmMain& f = Load();
  f.mnuStart_Click();
  // A demo tick already due when the game began changes nothing.
  g().ShipX = 101;
  g().TitleBlink = 0;
  f.timDemo_Timer();
  EXPECT_EQ(g().ShipX, 101);
  EXPECT_FALSE(g().ShotActive);
  EXPECT_FALSE(f.lblTitle.Visible());
  bool titleInPlay = false;
  for (int64_t t = 2000; t < 12000; t += 10)
    At(t, [&] { titleInPlay |= g().GameMode == kModePlay && f.lblTitle.Visible(); });
  RunUntil(12000);
  EXPECT_FALSE(titleInPlay);
}

TEST_F(TitleTest, TheDemoCannonStaysBetween9And590AndRefires) {
  frmMain& f = Load();
  SeededRandom& rnd = platform->random;
  g().ShotActive = true;
  g().ShipX = 301;
  g().DemoTick = 0;
  g().DemoNextTurn = 0;
  rnd.Queue(0.99);  // the move lasts 19 ticks
  rnd.Queue(0.4);   // left
  int lowest = 1000;
  for (int i = 0; i < 19; ++i) {
    f.DemoStep();
    f.MoveShip();
    lowest = std::min(lowest, static_cast<int>(f.imgShip.Left()));
  }
  EXPECT_EQ(g().ShipX, 263);
  EXPECT_EQ(rnd.Queued(), 0u);
  int highest = 0;
  for (int turn = 0; turn < 40; ++turn) {
    rnd.Queue(0.99);
    rnd.Queue(turn < 20 ? 0.4 : 0.9);  // twenty moves left, then twenty right
    for (int i = 0; i < 20; ++i) {
      f.DemoStep();
      f.MoveShip();
      lowest = std::min(lowest, static_cast<int>(f.imgShip.Left()));
      highest = std::max(highest, static_cast<int>(f.imgShip.Left()));
    }
    if (turn == 19) {
      EXPECT_EQ(g().ShipX, 9);
    }
  }
  EXPECT_EQ(lowest, 9);
  EXPECT_EQ(highest, 589);
  EXPECT_EQ(rnd.Queued(), 0u);

  // Fires whenever no missile flies, 13 pixels right of the cannon, silently.
  platform->sound.clear();
  Integer shots = g().ShotsLeft;
  g().ShotActive = false;
  f.DemoStep();
  EXPECT_TRUE(g().ShotActive);
  EXPECT_EQ(g().ShotX, g().ShipX + 13);
  EXPECT_EQ(g().ShotY, 412);
  g().ShipX = 201;
  f.DemoStep();
  EXPECT_NE(g().ShotX, 214);  // one missile at a time
  g().ShotActive = false;
  f.DemoStep();
  EXPECT_EQ(g().ShotX, g().ShipX + 13);
  EXPECT_EQ(g().ShotsLeft, shots);
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(TitleTest, SidePanelAsDesigned) {
  frmMain& f = Load();
  // The bevel: white, light grey and grey lines down the panel's left edge.
  for (int y : {0, 200, 435}) {
    EXPECT_EQ(f.surface.Get(629, y), kWhite);
    EXPECT_EQ(f.surface.Get(630, y), kLightGrey);
    EXPECT_EQ(f.surface.Get(631, y), kGrey);
  }
  EXPECT_EQ(f.Label1.Caption(), "HIGH SCORE");
  EXPECT_EQ(f.lblHiScore.Caption(), "1");  // until the first status tick
  EXPECT_EQ(f.lblKey.Caption(), " Move:\r\n   [LEFT] [RIGHT]\r\n\r\n  Fire:\r\n   [CTRL]/[SHIFT]");
  EXPECT_TRUE(f.lblKey.Visible());  // the key help is shown
  EXPECT_EQ(f.lblSpeed.Caption(), "Normal");
  // Every panel label draws white text on black inside its own rectangle.
  int white = 0;
  for (int y = 348; y < 433; ++y)
    for (int x = 629 + 16; x < 629 + 157; ++x) white += f.surface.Get(x, y) == kWhite;
  EXPECT_GT(white, 100);
  RunUntil(1400);
  EXPECT_EQ(f.lblHiScore.Caption(), "19300");
  EXPECT_EQ(f.lblLives.Caption(), "0");
}

TEST_F(TitleTest, MenuBarAndAboutBox) {
  HeadlessOptions o;
  o.folder = dir.path();
  HeadlessPlatform p(o);
  frmMain f(p.ports());
  std::vector<std::string> tree;
  for (const frmMain::MenuBarEntry& e : f.MenuBar()) {
    std::string line = e.menu->Caption() + ":";
    for (const MenuItem* m : e.items) line += " " + m->Name() + (m->Checked() ? "*" : "");
    tree.push_back(line);
  }
  EXPECT_EQ(tree, (std::vector<std::string>{"ﾌｧｲﾙ(&F): mnuStart mnuSep1 mnuExit",
                                            "ﾚﾍﾞﾙ(&L): mnuEasy mnuMedium* mnuHard",
                                            "ｽﾋﾟｰﾄﾞ(&S): mnuSlow mnuNormal* mnuFast",
                                            "ｵﾌﾟｼｮﾝ(&O): mnuMusicOn* mnuSound*", "ﾍﾙﾌﾟ(&H): mnuAbout"}));
  EXPECT_EQ(f.mnuStart.Shortcut(), 116);
  EXPECT_EQ(f.mnuSep1.Caption(), "-");
  f.mnuAbout_Click();
  ASSERT_EQ(p.dialogs.shown().size(), 1u);
  EXPECT_EQ(p.dialogs.shown()[0].text, "Ruziz Kestrovan  Version 1.01");
  EXPECT_EQ(p.dialogs.shown()[0].title, "Ruziz Kestrovan");
}

}  // namespace
}  // namespace kv::test
