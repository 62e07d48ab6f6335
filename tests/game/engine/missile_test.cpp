// The missile's hits: invaders and their points, the mothership's grades, bombs, bases, and
// the end of a round.
#include "game/platform/keys.h"
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class MissileTest : public GameTest {
 protected:
  void SetUp() override {
    StartGame();
    g().UfoActive = false;
  }

  // One missile step that ends with its probes on row 8 of invader n's picture (lit across).
  double ShootAt(int n) {
    double before = g().Score;
    g().ShotActive = true;
    g().ShotX = ToInteger(static_cast<int>(g().InvX[n]) + 8);
    g().ShotY = ToInteger(static_cast<int>(g().InvY[n]) + 8 + 9 + 8);
    f.MoveShot();
    return g().Score - before;
  }

  void PlaceMotherShip(int x, int y) {
    g().UfoActive = true;
    g().UfoX = ToInteger(x);
    g().UfoY = ToInteger(y);
    f.imgMotherShip.Move(x, y);
    f.imgMotherShip.SetVisible(true);
    f.lblBonus.SetVisible(false);  // it lies on top and would hide the picture
  }

  // One step whose three probe rows lie on row 10 of the mothership's picture (lit across).
  void ShootMotherShip(int dx) {
    g().ShotActive = true;
    g().ShotX = ToInteger(g().UfoX + 16 + dx);
    g().ShotY = ToInteger(g().UfoY + 10 + 9 + 8);
    f.MoveShot();
  }
};

TEST_F(MissileTest, PointsByBandWithEightColumns) {
  g().ShotsLeft = 10;
  for (auto [n, points] : std::vector<std::pair<int, int>>{{1, 30}, {7, 30}, {8, 20}, {16, 20}, {23, 20}, {24, 10}, {40, 10}}) {
    EXPECT_EQ(ShootAt(n), points) << "invader " << n;
    EXPECT_TRUE(g().InvDead[n]);
    EXPECT_FALSE(g().ShotActive);
  }
  EXPECT_EQ(g().Kills, 7);
  EXPECT_EQ(Sounds(), std::vector<std::string>(7, "invhit.wav"));
}

TEST_F(MissileTest, PointsByBandWithSixColumns) {
  g().GameMode = kModeTitle;
  f.SetLevelEasy();
  StartGame();
  g().ShotsLeft = 10;
  for (auto [n, points] : std::vector<std::pair<int, int>>{{5, 30}, {6, 20}, {17, 20}, {18, 10}, {30, 10}}) {
    EXPECT_EQ(ShootAt(n), points) << "invader " << n;
  }
}

TEST_F(MissileTest, FirstShotBonus) {
  g().ShotsLeft = 22;
  EXPECT_EQ(ShootAt(16), 1220);
  EXPECT_EQ(ShootAt(8), 1520);
  EXPECT_EQ(ShootAt(7), 30);  // band 0 earns no bonus
  g().ShotsLeft = 21;
  EXPECT_EQ(ShootAt(24), 10);
}

TEST_F(MissileTest, TopRightInvaderWithTheRoundsFirstShotThroughTheKeys) {
  KeepOnly({1, 8});
  g().InvX[8] = 350;  // over the gap between two bases
  PlaceImages();
  g().ShipX = ToInteger(350 + 8 - 14);
  f.Form_KeyDown(kKeyShift, kShiftMask);
  for (int i = 0; i < 10 && g().ShotActive; ++i) f.timMain_Timer();
  EXPECT_TRUE(g().InvDead[8]);
  EXPECT_EQ(g().Score, 1520);
  // The same invader later in the round gives its 20.
  f.StartRound();
  PlaceImages();
  g().ShotsLeft = 20;
  EXPECT_EQ(ShootAt(8), 20);
}

TEST_F(MissileTest, NoPointsOutsidePlay) {
  g().GameMode = kModeTitle;
  EXPECT_EQ(ShootAt(1), 0);
  EXPECT_TRUE(g().InvDead[1]);
}

TEST_F(MissileTest, KillShowsTheExplosionAndSpeedsTheFormationUp) {
  ShootAt(12);
  EXPECT_EQ(f.imgInv[11].GetPicture(), f.imgInvader[2].GetPicture());
  EXPECT_EQ(f.imgInv[11].Width(), 24);
  EXPECT_EQ(f.timInvader.Interval(), 930);
  EXPECT_FLOAT_EQ(g().InvSpeedX, 0.75f * 1.07f);
  // From round 6 the kill speed-up grows by one per cent per round.
  g().RoundNo = 7;
  float speed = g().InvSpeedX;
  ShootAt(13);
  EXPECT_FLOAT_EQ(g().InvSpeedX, static_cast<float>(static_cast<float>(speed * 1.07) * 1.02));
}

TEST_F(MissileTest, MotherShipGradesByDistanceFromItsCentre) {
  for (auto [dx, award] : std::vector<std::pair<int, int>>{{0, 250}, {1, 250}, {-2, 200}, {3, 200}, {4, 150}, {-6, 100}, {8, 50}}) {
    PlaceMotherShip(300, 70);
    double before = g().Score;
    ShootMotherShip(dx);
    EXPECT_EQ(g().Score - before, award) << "offset " << dx;
    EXPECT_FALSE(g().UfoActive);
    EXPECT_FALSE(f.imgMotherShip.Visible());
    EXPECT_EQ(f.lblBonus.Caption(), std::to_string(award));
  }
  EXPECT_TRUE(f.lblBonus.Visible());
  EXPECT_EQ(g().BonusTicks, 20);
  EXPECT_DOUBLE_EQ(f.lblBonus.Left(), 300);
  EXPECT_DOUBLE_EQ(f.lblBonus.Top(), 70);
}

TEST_F(MissileTest, The23rdShotGrades300AndTheCountRestartsAt15) {
  for (int shot = 1; shot <= 22; ++shot) {
    g().ShotActive = false;
    f.Form_KeyDown(kKeyControl, kCtrlMask);
  }
  EXPECT_EQ(g().ShotsLeft, 1);
  g().ShotActive = false;
  f.Form_KeyDown(kKeyControl, kCtrlMask);  // the 23rd
  EXPECT_EQ(g().ShotsLeft, 0);
  PlaceMotherShip(200, 66);
  ShootMotherShip(-11);  // far off the centre
  EXPECT_EQ(g().UfoBonus, 6);
  EXPECT_EQ(g().Score, 300);
  EXPECT_EQ(g().ShotsLeft, 15);
}

TEST_F(MissileTest, BonusLabelSticksToTheLeftEdgeAndHides19MovesLater) {
  PlaceMotherShip(-10, 72);
  ShootMotherShip(0);
  EXPECT_DOUBLE_EQ(f.lblBonus.Left(), 0);
  for (int i = 0; i < 18; ++i) f.MoveInvaders();
  EXPECT_TRUE(f.lblBonus.Visible());
  f.MoveInvaders();
  EXPECT_FALSE(f.lblBonus.Visible());
}

TEST_F(MissileTest, RedTooLowOrWithoutAMotherShipIsIgnored) {
  PlaceMotherShip(300, 101);  // its lit row 10 is at 111, the missile's test point
  ShootMotherShip(0);
  EXPECT_TRUE(g().ShotActive);
  EXPECT_TRUE(g().UfoActive);
  EXPECT_EQ(g().Score, 0);
  PlaceMotherShip(300, 70);
  g().UfoActive = false;  // only the red picture is there, as with the bonus caption
  ShootMotherShip(0);
  EXPECT_TRUE(g().ShotActive);
}

TEST_F(MissileTest, MissileMeetsABomb) {
  g().BombX[2] = 200;
  g().BombY[2] = 200;
  for (int row = 0; row < 6; ++row) f.PSet(200, 200 + row, kCyan);
  g().ShotActive = true;
  g().ShotX = 200;
  g().ShotY = 218;  // after the step the probe row is 202
  f.MoveShot();
  EXPECT_FALSE(g().ShotActive);
  EXPECT_EQ(g().BombX[2], 0);
  EXPECT_EQ(f.Point(200, 203), kBlack);
  EXPECT_EQ(f.Point(200, 205), kBlack);
}

TEST_F(MissileTest, BaseTakesACraterWithItsDrawsInOrder) {
  // Ten boxes: each draws X then Y. The first lands at (+5, -12), the others at (0, -12).
  platform.random.Queue(11.5 / 12.0);
  platform.random.Queue(0.0);
  for (int i = 0; i < 9; ++i) {
    platform.random.Queue(0.5);
    platform.random.Queue(0.0);
  }
  ASSERT_EQ(f.Point(78, 345), kGreen);
  g().ShotActive = true;
  g().ShotX = 72;
  g().ShotY = 364;  // the step to 356 probes rows 348 and 347 of the base
  uint64_t draws = platform.random.Draws();
  f.MoveShot();
  EXPECT_EQ(platform.random.Draws() - draws, 20u);
  EXPECT_FALSE(g().ShotActive);
  EXPECT_EQ(f.Point(78, 345), kBlack);
  EXPECT_EQ(f.Point(72, 344), kBlack);
  EXPECT_EQ(f.Point(74, 346), kBlack);
  EXPECT_EQ(f.Point(75, 343), kGreen);
  EXPECT_EQ(f.Point(72, 356), kBlack);  // the missile itself is erased
  // The second call of a pair flies on from there and cuts a second crater higher up.
  f.MoveShot();
  EXPECT_EQ(g().ShotY, 348);
  EXPECT_EQ(platform.random.Draws() - draws, 40u);
}

TEST_F(MissileTest, AfterTheInvasionLineTheMissilePassesTheBases) {
  g().Invasion = 1;
  g().ShotActive = true;
  g().ShotX = 72;
  g().ShotY = 364;
  f.MoveShot();
  EXPECT_TRUE(g().ShotActive);
}

TEST_F(MissileTest, ClearingRound9OnMedium) {
  g().RoundNo = 9;
  g().Score = 5000;
  KeepOnly({30});
  g().Kills = 39;
  ShootAt(30);
  EXPECT_EQ(g().RoundNo, 10);
  EXPECT_EQ(g().Lives, 4);
  EXPECT_TRUE(g().DoubleBombs);
  EXPECT_EQ(g().BombSlots, 11);
  EXPECT_EQ(g().Score, 5000 + 10 + 10000);
  // The next round stands ready, capped at 210 on Medium.
  EXPECT_EQ(g().Kills, 0);
  EXPECT_FLOAT_EQ(g().InvTop, 210);
  EXPECT_FALSE(g().InvDead[30]);
  EXPECT_EQ(g().ShotsLeft, 23);
}

TEST_F(MissileTest, RoundBonusBeyond16Bits) {
  g().RoundNo = 32;
  g().BombSlots = 30;
  KeepOnly({1});
  g().Kills = 39;
  double before = g().Score;
  ShootAt(1);
  EXPECT_EQ(g().Score - before, 30 + 33000);
  EXPECT_EQ(g().BombSlots, 30);
  EXPECT_EQ(g().Lives, 3);  // 33 brings no cannon
}

TEST_F(MissileTest, ClearingRound1GivesNoCannonAndNoBombSlot) {
  KeepOnly({1});
  g().Kills = 39;
  ShootAt(1);
  EXPECT_EQ(g().RoundNo, 2);
  EXPECT_EQ(g().Score, 30 + 2000);
  EXPECT_EQ(g().Lives, 3);
  EXPECT_EQ(g().BombSlots, 10);
  EXPECT_FALSE(g().DoubleBombs);
}

}  // namespace
}  // namespace kv::test
