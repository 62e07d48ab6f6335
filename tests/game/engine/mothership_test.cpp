// The mothership: its appearance, its 251 placements from either side, wobble and sound.
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class MotherShipTest : public GameTest {
 protected:
  void SetUp() override { StartGame(); }

  // Runs steps until the mothership is gone; returns each placement of its picture.
  std::vector<int> Crossing() {
    std::vector<int> placed;
    while (g().UfoActive && placed.size() < 1000) {
      f.MoveMotherShip();
      placed.push_back(static_cast<int>(f.imgMotherShip.Left()));
      EXPECT_GE(f.imgMotherShip.Top(), 63);
      EXPECT_LE(f.imgMotherShip.Top(), 77);
    }
    return placed;
  }
};

TEST_F(MotherShipTest, AppearsOnADrawOfOneAndPicksItsSide) {
  platform.random.Queue(0.0);    // Int(0 x 250) = 0: nothing
  f.MoveMotherShip();
  EXPECT_FALSE(g().UfoActive);
  platform.random.Queue(0.005);  // Int(1.25) = 1
  platform.random.Queue(0.2);    // Int(0.4) = 0: from the right
  f.MoveMotherShip();
  EXPECT_TRUE(g().UfoActive);
  EXPECT_EQ(g().UfoX, 650);
  EXPECT_EQ(g().UfoDX, -3);
  EXPECT_EQ(g().UfoY, 70);
  EXPECT_FALSE(f.imgMotherShip.Visible());  // first shown on the next step
  g().UfoActive = false;
  platform.random.Queue(0.006);
  platform.random.Queue(0.7);    // Int(1.4) = 1: from the left
  f.MoveMotherShip();
  EXPECT_EQ(g().UfoX, -100);
  EXPECT_EQ(g().UfoDX, 3);
}

TEST_F(MotherShipTest, FromTheRight251Placements) {
  g().UfoActive = true;
  g().UfoX = 650;
  g().UfoDX = -3;
  g().UfoY = 70;
  std::vector<int> placed = Crossing();
  ASSERT_EQ(placed.size(), 251u);
  EXPECT_EQ(placed.front(), 650);
  EXPECT_EQ(placed.back(), -100);
  EXPECT_EQ(g().UfoX, -103);
  EXPECT_FALSE(f.imgMotherShip.Visible());
  // The first eight places lie under the side panel, which hides the picture there.
  EXPECT_EQ(placed[7], 629);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"ufo.wav"});
}

TEST_F(MotherShipTest, FromTheLeft251Placements) {
  g().UfoActive = true;
  g().UfoX = -100;
  g().UfoDX = 3;
  g().UfoY = 70;
  std::vector<int> placed = Crossing();
  ASSERT_EQ(placed.size(), 251u);
  EXPECT_EQ(placed.front(), -100);
  EXPECT_EQ(placed.back(), 650);
  EXPECT_EQ(g().UfoX, 653);
}

TEST_F(MotherShipTest, WobbleReversesEverySevenMovesAndCarriesOver) {
  g().UfoActive = true;
  g().UfoX = 300;
  g().UfoDX = 3;
  g().UfoY = 70;
  g().UfoDY = 1;
  g().UfoWobble = 0;
  std::vector<int> ys;
  for (int i = 0; i < 15; ++i) {
    f.MoveMotherShip();
    ys.push_back(g().UfoY);
  }
  EXPECT_EQ(ys, (std::vector<int>{71, 72, 73, 74, 75, 76, 77, 76, 75, 74, 73, 72, 71, 70, 71}));
}

TEST_F(MotherShipTest, NoSoundWhenSoundIsOff) {
  f.mnuSound_Click();
  g().UfoActive = true;
  g().UfoX = 300;
  g().UfoDX = 3;
  g().UfoY = 70;
  f.MoveMotherShip();
  f.MoveMotherShip();
  EXPECT_TRUE(Sounds().empty());
  EXPECT_FALSE(g().UfoSoundOn);
}

TEST_F(MotherShipTest, PanelHidesThePictureAndShowsItOnThePlayfield) {
  g().UfoActive = true;
  g().UfoX = 620;
  g().UfoDX = -3;
  g().UfoY = 70;
  f.MoveMotherShip();  // placed at 620: columns 629 and beyond lie under the panel
  EXPECT_EQ(f.Point(621, 80), kRed);
  EXPECT_NE(f.Point(640, 80), kRed);
}

}  // namespace
}  // namespace kv::test
