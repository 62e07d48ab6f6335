// The formation's march: edge contacts, speed, the invasion line and the march pictures.
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class MarchTest : public GameTest {
 protected:
  void SetUp() override { StartGame(); }

  // One formation move with invader 1 (the only live one) beyond the right edge limit.
  void MoveAtEdge() {
    g().InvX[1] = 700;
    f.MoveInvaders();
  }
};

TEST_F(MarchTest, TenEdgeContactsShortenTheTempoTo480) {
  KeepOnly({1});
  std::vector<int> intervals;
  for (int i = 0; i < 10; ++i) {
    MoveAtEdge();
    intervals.push_back(f.timInvader.Interval());
  }
  EXPECT_EQ(intervals, (std::vector<int>{930, 864, 803, 746, 693, 644, 598, 556, 517, 480}));
}

TEST_F(MarchTest, TempoNeverFallsBelow50) {
  KeepOnly({1});
  f.timInvader.SetInterval(53);
  MoveAtEdge();
  EXPECT_EQ(f.timInvader.Interval(), 50);
  MoveAtEdge();
  EXPECT_EQ(f.timInvader.Interval(), 50);
}

TEST_F(MarchTest, EdgeContactReversesAndSpeedsUpByLevel) {
  KeepOnly({1});
  MoveAtEdge();
  EXPECT_FLOAT_EQ(g().InvSpeedX, 0.75f * -1.02f);
  // The drop comes with the next move, together with the first step back.
  float y = g().InvY[1];
  g().InvX[1] = 300;
  f.MoveInvaders();
  EXPECT_FLOAT_EQ(g().InvY[1], y + 14);
  EXPECT_FLOAT_EQ(g().InvX[1], 300 + 0.75f * -1.02f);
  EXPECT_FALSE(g().InvAtEdge);
}

TEST_F(MarchTest, HardAtFastTurns1_25IntoMinus1_365) {
  g().GameMode = kModeTitle;
  f.SetLevelHard();
  f.SetSpeedFast();
  f.mnuStart_Click();
  EXPECT_FLOAT_EQ(g().InvSpeedX, 1.25f);
  KeepOnly({1});
  MoveAtEdge();
  EXPECT_FLOAT_EQ(g().InvSpeedX, -1.365f);
  EXPECT_EQ(f.timMain.Interval(), 2);
}

TEST_F(MarchTest, SpeedIsHeldWithinPlusMinus15) {
  KeepOnly({1});
  g().InvX[1] = 300;
  g().InvSpeedX = 15;
  f.mnuHard.SetChecked(true);
  f.mnuMedium.SetChecked(false);
  g().InvReverse = -1.04f;
  MoveAtEdge();  // 15 x -1.04 x 1.05 = -16.38
  EXPECT_FLOAT_EQ(g().InvSpeedX, -15);
  g().InvX[1] = 300;
  g().InvSpeedX = 40;
  f.MoveInvaders();
  EXPECT_FLOAT_EQ(g().InvSpeedX, 15);
  // The move that found 40 still advanced by 40: the clamp comes after the advance.
  EXPECT_FLOAT_EQ(g().InvX[1], 340);
}

TEST_F(MarchTest, Top390IsNotAnInvasionButBasesGo) {
  KeepOnly({20});
  g().InvX[20] = 300;
  g().InvY[20] = 390;
  f.MoveInvaders();
  EXPECT_EQ(g().Invasion, 1);
  EXPECT_EQ(g().GameMode, kModePlay);
  for (const ImageControl& b : f.imgBases) EXPECT_FALSE(b.Visible());
}

TEST_F(MarchTest, Top390_5IsAnInvasionAndEndsTheGame) {
  KeepOnly({20});
  g().Score = 1500;
  g().InvX[20] = 300;
  g().InvY[20] = 390.5f;
  int64_t before = now();
  f.MoveInvaders();
  // Game over (2000 ms) and a fresh attract round (800 ms) ran inside this move.
  EXPECT_EQ(now() - before, 2800);
  EXPECT_EQ(g().GameMode, kModeTitle);
  EXPECT_EQ(g().Invasion, 0);
  EXPECT_EQ(g().Lives, 0);
  EXPECT_EQ(g().Score, 1500);
  for (int n = 1; n <= 40; ++n) EXPECT_FALSE(g().InvDead[n]);
  for (const ImageControl& b : f.imgBases) EXPECT_TRUE(b.Visible());
}

TEST_F(MarchTest, LowRoundsStartBelow300AndRemoveTheBasesOnTheFirstMove) {
  g().RoundNo = 4;  // Medium: 4 x 16 + 66 = 130, bottom row at 305
  f.StartRound();
  f.MoveInvaders();
  EXPECT_EQ(g().Invasion, 1);
  EXPECT_FALSE(f.imgBases[2].Visible());
}

TEST_F(MarchTest, ImagesShowThePreviousMovesPositions) {
  g().InvX[5] = 200.5f;
  f.MoveInvaders();
  EXPECT_DOUBLE_EQ(f.imgInv[4].Left(), 200.5);
  EXPECT_FLOAT_EQ(g().InvX[5], 201.25f);
  EXPECT_FALSE(f.timDemo.Enabled());
}

TEST_F(MarchTest, AnimationSwapsFramesHidesTheDeadAndCyclesTheMarchSound) {
  g().InvDead[3] = true;
  const Picture frame0 = f.imgInvader[0].GetPicture(), frame1 = f.imgInvader[1].GetPicture();
  g().InvFrame = false;
  f.AnimateInvaders();
  EXPECT_EQ(f.imgInv[0].GetPicture(), frame0);
  EXPECT_FALSE(f.imgInv[2].Visible());
  f.AnimateInvaders();
  EXPECT_EQ(f.imgInv[0].GetPicture(), frame1);
  f.AnimateInvaders();
  f.AnimateInvaders();
  f.AnimateInvaders();
  EXPECT_EQ(Sounds(), (std::vector<std::string>{"inv1.wav", "inv2.wav", "inv3.wav", "inv4.wav", "inv1.wav"}));
  // Without sound the cycle stands still.
  f.mnuSound_Click();
  f.AnimateInvaders();
  EXPECT_EQ(Sounds().size(), 5u);
  EXPECT_EQ(g().StepSound, 1);
}

TEST_F(MarchTest, OneLiveInvaderStillMarchesAndReverses) {
  KeepOnly({17});
  g().InvX[17] = 9.5f;
  g().InvSpeedX = -0.75f;
  f.MoveInvaders();
  EXPECT_TRUE(g().InvAtEdge);
  EXPECT_GT(g().InvSpeedX, 0);
  float y = g().InvY[17];
  f.MoveInvaders();
  EXPECT_FLOAT_EQ(g().InvY[17], y + 14);
}

}  // namespace
}  // namespace kv::test
