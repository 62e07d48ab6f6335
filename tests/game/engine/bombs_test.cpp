// Bombs: release, fall, craters, the bottom edge, and the loss of the cannon.
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class BombsTest : public GameTest {
 protected:
  void SetUp() override {
    StartGame();
    g().BombSlots = 1;
  }

  void PlaceBomb(int s, double x, double y, float fall = 1.0f) {
    g().BombX[s] = static_cast<Single>(x);
    g().BombY[s] = static_cast<Single>(y);
    g().BombFall[s] = fall;
  }

  void PlaceShip(int x) {
    g().ShipX = ToInteger(x);
    f.imgShip.Move(x, 410);
  }
};

TEST_F(BombsTest, FreeSlotTakesABombFromARandomLiveInvader) {
  g().InvDead[1] = true;
  platform.random.Queue(0.0);   // invader 1: destroyed, drawn again
  platform.random.Queue(0.99);  // invader 40
  f.MoveBombs();
  EXPECT_FLOAT_EQ(g().BombX[1], g().InvX[40] + 5);
  EXPECT_FLOAT_EQ(g().BombY[1], g().InvY[40] + 9 + 1);
  EXPECT_FLOAT_EQ(g().BombFall[1], 1.05f);
  EXPECT_EQ(platform.random.Draws(), 2u);
}

TEST_F(BombsTest, BombsFallFasterAndLeanByPhase) {
  PlaceBomb(1, 200, 100);
  g().BombPhase = true;
  f.MoveBombs();
  EXPECT_FLOAT_EQ(g().BombY[1], 101);
  for (int row : {0, 1, 4, 5}) EXPECT_EQ(f.Point(200, 101 + row), kCyan) << row;
  for (int row : {2, 3}) EXPECT_EQ(f.Point(201, 101 + row), kCyan) << row;
  EXPECT_FALSE(g().BombPhase);
  f.MoveBombs();
  EXPECT_FLOAT_EQ(g().BombY[1], 102.05f);
  EXPECT_EQ(f.Point(200, 101), kBlack);  // the old bomb is erased
  for (int row : {0, 1, 4, 5}) EXPECT_EQ(f.Point(201, 102.05 + row), kCyan) << row;
  for (int row : {2, 3}) EXPECT_EQ(f.Point(200, 102.05 + row), kCyan) << row;
}

TEST_F(BombsTest, BombOverABaseCutsACraterAndEnds) {
  PlaceBomb(1, 90, 318, 3);  // falls to 321; its probes reach the base's row 5
  f.MoveBombs();
  EXPECT_EQ(g().BombX[1], 0);
  EXPECT_EQ(g().Lives, 3);
  EXPECT_EQ(platform.random.Draws(), 144u);
  int black = 0;
  for (int y = 321; y <= 331; ++y)
    for (int x = 84; x <= 96; ++x) black += f.Point(x, y) == kBlack && (y - 320) % 2 == 1;
  EXPECT_GT(black, 20);
}

TEST_F(BombsTest, CraterBoxesFollowTheirDraws) {
  // First box: X offset from the first draw (+6), Y from the second (-9); then eleven draws
  // of 0.5 put the rest at (0, 0).
  platform.random.Queue(13.5 / 14.0);
  platform.random.Queue(0.0);
  for (int i = 0; i < 142; ++i) platform.random.Queue(0.5);
  PlaceBomb(1, 90, 322, 9);  // at 331: the base's rows 335 and 333 are in its probes
  f.MoveBombs();
  EXPECT_EQ(f.Point(96, 323), kBlack);
  EXPECT_EQ(f.Point(97, 323), kBlack);
  EXPECT_EQ(f.Point(98, 323), kGreen);
  EXPECT_EQ(f.Point(90, 331), kBlack);
  EXPECT_EQ(f.Point(91, 333), kGreen);
}

TEST_F(BombsTest, BottomEdgeReadsNonBlackAndCutsACrater) {
  PlaceBomb(1, 300, 431);  // falls to 432: its lowest probe is row 436, outside the client area
  f.MoveBombs();
  EXPECT_EQ(g().BombX[1], 0);
  EXPECT_EQ(platform.random.Draws(), 144u);
  PlaceBomb(1, 300, 430);  // falls to 431: still inside, nothing there
  f.MoveBombs();
  EXPECT_FLOAT_EQ(g().BombY[1], 431);
}

TEST_F(BombsTest, BombStepPast450IsFreedWithoutACrater) {
  PlaceBomb(1, 300, 449, 2);
  f.MoveBombs();
  EXPECT_EQ(g().BombX[1], 0);
  EXPECT_EQ(platform.random.Draws(), 0u);
}

TEST_F(BombsTest, BombOnTheCannonDestroysIt) {
  PlaceShip(100);
  PlaceBomb(1, 105, 405, 11);  // at 416 its probes find the cannon's row 9
  uint64_t presents = f.surface.presents();
  int64_t before = now();
  f.MoveBombs();
  EXPECT_EQ(g().Lives, 2);
  EXPECT_EQ(g().BombX[1], 0);
  EXPECT_EQ(g().ShipX, 1);
  EXPECT_TRUE(f.imgShip.Visible());
  EXPECT_FALSE(f.imgShip1[0].Visible());
  EXPECT_FALSE(f.imgShip1[1].Visible());
  EXPECT_DOUBLE_EQ(f.imgShip1[0].Left(), 100);
  // 2000 swaps, each shown at once; the explosion is not a timed pause.
  EXPECT_EQ(f.surface.presents() - presents, 4000u);
  EXPECT_EQ(now(), before);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"hit.wav"});
  // The area around the old cannon is wiped.
  EXPECT_EQ(f.Point(90, 400), kBlack);
}

TEST_F(BombsTest, CannonWindowIsShipXToShipXPlus28BelowItsTop) {
  PlaceShip(200);
  struct Case {
    double x, y;
    bool hit;
  };
  for (Case c : {Case{200, 412, true}, Case{228, 412, true}, Case{229, 412, false}, Case{199, 412, false},
                 Case{210, 407, false}, Case{210, 407.5, true}}) {
    g().Lives = 3;
    PlaceShip(200);
    f.Line(c.x - 1, c.y, c.x + 1, c.y + 5, kBlack);
    f.PSet(c.x, c.y + 4, kGreen);  // something to meet, in case the picture is not there
    PlaceBomb(1, c.x, c.y - 10, 10);  // from above: its erase box stays clear of the probes
    f.MoveBombs();
    EXPECT_EQ(g().Lives, c.hit ? 2 : 3) << c.x << "," << c.y;
    EXPECT_EQ(g().BombX[1], 0);
  }
}

TEST_F(BombsTest, LosingTheLastCannonEndsTheGame) {
  g().Lives = 1;
  g().Score = 1200;
  PlaceShip(100);
  PlaceBomb(1, 105, 405, 11);
  int64_t before = now();
  f.MoveBombs();
  EXPECT_EQ(g().Lives, 0);
  EXPECT_EQ(g().GameMode, kModeTitle);
  EXPECT_EQ(now() - before, 2800);
  EXPECT_EQ(g().Score, 1200);
}

TEST_F(BombsTest, AttractModeLosesNoCannonButEndsTheDemonstration) {
  g().GameMode = kModeTitle;
  g().Lives = 0;
  PlaceShip(100);
  PlaceBomb(1, 105, 405, 11);
  int64_t before = now();
  f.MoveBombs();
  EXPECT_EQ(g().Lives, 0);
  EXPECT_EQ(g().GameMode, kModeTitle);
  EXPECT_EQ(now() - before, 2800);
}

TEST_F(BombsTest, ThirtyDoubleBombsEachFallTwoStepsPerTick) {
  g().BombSlots = 30;
  g().DoubleBombs = true;
  for (int s = 1; s <= 30; ++s) PlaceBomb(s, 20 + s * 19, 60);
  f.timMain_Timer();
  for (int s = 1; s <= 30; ++s) {
    EXPECT_FLOAT_EQ(g().BombY[s], 62.05f) << s;
    EXPECT_FLOAT_EQ(g().BombFall[s], 1.1025f) << s;
  }
}

}  // namespace
}  // namespace kv::test
