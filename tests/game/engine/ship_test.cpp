// The main tick, the cannon and the keys.
#include "game/platform/keys.h"
#include "tests/game/support/game_fixture.h"

namespace kv::test {
namespace {

class ShipTest : public GameTest {
 protected:
  void SetUp() override { StartGame(); }
};

TEST_F(ShipTest, HoldingRightAtTheEdgeKeepsTheCannonAt590) {
  g().ShipX = 585;
  f.Form_KeyDown(kKeyRight, 0);
  for (int i = 0; i < 3; ++i) f.MoveShip();
  EXPECT_EQ(g().ShipX, 588);
  for (int i = 0; i < 5; ++i) {
    f.MoveShip();
    EXPECT_LE(g().ShipX, 590);
  }
  EXPECT_EQ(g().ShipX, 590);
  EXPECT_EQ(f.imgShip.Left(), 590);
  // At 590 a new press of Right does not change the direction.
  f.Form_KeyUp(kKeyRight, 0);
  f.Form_KeyDown(kKeyRight, 0);
  EXPECT_EQ(g().ShipDir, 0);
}

TEST_F(ShipTest, HoldingLeftAtTheEdgeKeepsTheCannonAt0) {
  g().ShipX = 2;
  f.Form_KeyDown(kKeyLeft, 0);
  for (int i = 0; i < 6; ++i) f.MoveShip();
  EXPECT_EQ(g().ShipX, 0);
  EXPECT_EQ(f.imgShip.Left(), 0);
  f.Form_KeyUp(kKeyLeft, 0);
  f.Form_KeyDown(kKeyLeft, 0);
  EXPECT_EQ(g().ShipDir, 0);
}

TEST_F(ShipTest, ATickTakesSixCannonSteps) {
  g().ShipX = 100;
  f.Form_KeyDown(kKeyRight, 0);
  f.timMain_Timer();
  EXPECT_EQ(g().ShipX, 106);
  // Releasing either arrow stops the cannon.
  f.Form_KeyDown(kKeyLeft, 0);
  f.Form_KeyUp(kKeyRight, 0);
  f.timMain_Timer();
  EXPECT_EQ(g().ShipX, 106);
}

TEST_F(ShipTest, OneMissileAtATime) {
  g().ShipX = 200;
  f.Form_KeyDown(kKeyControl, kCtrlMask);
  EXPECT_TRUE(g().ShotActive);
  EXPECT_EQ(g().ShotX, 214);
  EXPECT_EQ(g().ShotY, 412);
  EXPECT_EQ(g().ShotsLeft, 22);
  EXPECT_EQ(Sounds(), std::vector<std::string>{"Fire.wav"});
  // Auto-repeat of the modifier while the missile flies changes nothing.
  g().ShipX = 300;
  f.Form_KeyDown(kKeyControl, kCtrlMask);
  f.Form_KeyDown(kKeyLeft, kShiftMask);
  EXPECT_EQ(g().ShotX, 214);
  EXPECT_EQ(g().ShotsLeft, 22);
  EXPECT_EQ(Sounds().size(), 1u);
  // A missile's first step draws it at 404.
  f.MoveShot();
  EXPECT_EQ(g().ShotY, 404);
  EXPECT_EQ(f.Point(214, 404), kGreen);
  EXPECT_EQ(f.Point(215, 397), kGreen);
  EXPECT_EQ(f.Point(214, 405), kBlack);
}

TEST_F(ShipTest, MissileEndsAtTheTopAndIsErased) {
  g().ShotActive = true;
  g().ShotX = 620;  // clear of the formation
  g().ShotY = 85;
  f.MoveShot();
  EXPECT_TRUE(g().ShotActive);
  f.MoveShot();  // 69: the end
  EXPECT_FALSE(g().ShotActive);
  EXPECT_EQ(f.Point(620, 69), kBlack);
  EXPECT_EQ(f.Point(620, 77), kBlack);
}

TEST_F(ShipTest, KeysDoNothingOutsidePlay) {
  g().GameMode = kModeTitle;
  g().ShipX = 100;
  f.Form_KeyDown(kKeyRight, 0);
  f.Form_KeyDown(kKeyControl, kCtrlMask);
  EXPECT_EQ(g().ShipDir, 0);
  EXPECT_FALSE(g().ShotActive);
}

TEST_F(ShipTest, EnterShowsTheMenusOnlyWhenHidden) {
  int changes = 0;
  f.mnuFile.OnChange([&](const MenuItem&) { ++changes; });
  f.Form_KeyDown(kKeyReturn, 0);
  EXPECT_EQ(changes, 0);
  f.ShowMenus(false);
  EXPECT_FALSE(f.mnuSpeed.Visible());
  f.Form_KeyDown(kKeyReturn, 0);
  for (MenuItem* m : {&f.mnuFile, &f.mnuLevel, &f.mnuOptions, &f.mnuHelp, &f.mnuSpeed}) EXPECT_TRUE(m->Visible());
}

}  // namespace
}  // namespace kv::test
