// Round set-up and the start of a game.
#include "game/platform/keys.h"
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class RoundTest : public GameTest {};

TEST_F(RoundTest, Round1MediumGridAndGameStart) {
  int64_t before = now();
  f.mnuStart_Click();
  EXPECT_EQ(now() - before, 800);  // the set-up's pause
  EXPECT_FLOAT_EQ(g().InvTop, 82);
  EXPECT_FLOAT_EQ(g().InvX[1], 56);
  EXPECT_FLOAT_EQ(g().InvY[1], 117);
  EXPECT_FLOAT_EQ(g().InvX[8], 308);
  EXPECT_FLOAT_EQ(g().InvY[8], 117);
  EXPECT_FLOAT_EQ(g().InvX[40], 308);
  EXPECT_FLOAT_EQ(g().InvY[40], 257);
  EXPECT_FLOAT_EQ(g().InvSpeedX, 0.75f);
  EXPECT_FLOAT_EQ(g().InvDrop, 14);
  EXPECT_FLOAT_EQ(g().InvReverse, -1.02f);
  EXPECT_EQ(g().GameMode, kModePlay);
  EXPECT_EQ(g().Lives, 3);
  EXPECT_EQ(g().RoundNo, 1);
  EXPECT_EQ(g().ShotsLeft, 23);
  EXPECT_EQ(g().Score, 0);
  EXPECT_EQ(f.timInvader.Interval(), 1000);
  EXPECT_TRUE(f.timInvader.Enabled());
  EXPECT_FALSE(f.lblTitle.Visible());
  // Images wait off screen until the first formation move; only InvCount of them are shown.
  EXPECT_EQ(f.imgInv[0].Left(), -1000);
  EXPECT_TRUE(f.imgInv[39].Visible());
  // In a game the start sound comes first, then the music starts again from its beginning.
  std::vector<std::string> s = Sounds();
  ASSERT_GE(s.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(s.end() - 4, s.end()),
            (std::vector<std::string>{"start.wav", "close all", "open bgm.mid", "play music"}));
}

TEST_F(RoundTest, EasyGridHasSixColumnsAndHardStartsFarther) {
  f.SetLevelEasy();
  f.mnuStart_Click();
  EXPECT_EQ(g().InvCount, 30);
  EXPECT_FLOAT_EQ(g().InvX[1], 46);
  EXPECT_FLOAT_EQ(g().InvX[6], 46 + 5 * 26);
  EXPECT_FLOAT_EQ(g().InvY[30], 5 * 30 + 82);
  EXPECT_FALSE(f.imgInv[30].Visible());
  f.SetLevelHard();
  f.mnuStart_Click();
  EXPECT_FLOAT_EQ(g().InvX[1], 66);
  EXPECT_FLOAT_EQ(g().InvX[8], 8 * 46 + 20);
}

struct CapCase {
  int level;  // 0 Easy, 1 Medium, 2 Hard
  int round;
  float top;
};

class RoundCapTest : public GameTest, public ::testing::WithParamInterface<CapCase> {};

TEST_P(RoundCapTest, FormationOriginIsCappedByLevel) {
  const CapCase c = GetParam();
  if (c.level == 0) f.SetLevelEasy();
  if (c.level == 2) f.SetLevelHard();
  g().GameMode = kModePlay;
  g().RoundNo = static_cast<Integer>(c.round);
  f.StartRound();
  EXPECT_FLOAT_EQ(g().InvTop, c.top);
}

INSTANTIATE_TEST_SUITE_P(Levels, RoundCapTest,
                         ::testing::Values(CapCase{0, 10, 226}, CapCase{0, 11, 230}, CapCase{0, 30, 230},
                                           CapCase{1, 9, 210}, CapCase{1, 10, 210}, CapCase{1, 20, 210},
                                           CapCase{2, 7, 178}, CapCase{2, 8, 180}));

TEST_F(RoundTest, Round30EasyBottomRowStandsTenPixelsAboveTheInvasionLine) {
  f.SetLevelEasy();
  g().RoundNo = 30;
  f.StartRound();
  EXPECT_FLOAT_EQ(g().InvY[30], 380);
}

TEST_F(RoundTest, NoLevelOrSpeedCheckedKeepsThePreviousValues) {
  f.SetLevelHard();
  f.StartRound();
  g().InvSpeedX = -3.5f;
  f.mnuHard.SetChecked(false);
  f.mnuNormal.SetChecked(false);
  f.StartRound();
  EXPECT_FLOAT_EQ(g().InvReverse, -1.04f);
  EXPECT_EQ(g().InvGapX, 46);
  EXPECT_FLOAT_EQ(g().InvSpeedX, -3.5f);
}

TEST_F(RoundTest, SetUpClearsCratersAndShowsTheBasesWhole) {
  ASSERT_EQ(f.Point(70, 331), kGreen);
  f.Line(68, 320, 111, 351, kBlack);
  EXPECT_EQ(f.Point(70, 331), kBlack);
  f.StartRound();
  EXPECT_EQ(f.Point(70, 331), kGreen);
  for (const ImageControl& b : f.imgBases) EXPECT_TRUE(b.Visible());
}

TEST_F(RoundTest, NewGameKeepsRaisedBombSlotsButClearsTheBombs) {
  g().BombSlots = 14;
  g().DoubleBombs = true;
  g().BombX[3] = 100;
  g().Score = 5000;
  f.mnuStart_Click();
  EXPECT_EQ(g().BombSlots, 14);
  EXPECT_TRUE(g().DoubleBombs);
  EXPECT_EQ(g().BombX[3], 0);
  EXPECT_EQ(g().Score, 0);
}

TEST_F(RoundTest, PendingEdgeContactDescendsOnceInTheNewRound) {
  f.mnuStart_Click();
  g().InvAtEdge = true;
  f.StartRound();
  float y = g().InvY[1];
  f.MoveInvaders();
  EXPECT_FLOAT_EQ(g().InvY[1], y + 14);
  f.MoveInvaders();
  EXPECT_FLOAT_EQ(g().InvY[1], y + 14);
}

TEST_F(RoundTest, F5StartsAGameFromTheTitleAndDuringPlay) {
  ASSERT_EQ(g().GameMode, kModeTitle);
  f.KeyDown(kKeyF5, 0);
  EXPECT_EQ(g().GameMode, kModePlay);
  g().Score = 700;
  g().Lives = 1;
  f.KeyDown(kKeyF5, 0);
  EXPECT_EQ(g().Score, 0);
  EXPECT_EQ(g().Lives, 3);
}

}  // namespace
}  // namespace kv::test
