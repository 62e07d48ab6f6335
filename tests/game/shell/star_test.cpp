// The shooting star: its flight, its bounds and its random draws.
#include "tests/game/shell/shell_fixture.h"

namespace kv::test {
namespace {

class StarTest : public ShellTest {
 protected:
  void SetUp() override { Load(); }

  // Queues the draws of a star's start, in their order.
  void QueueStart(double life, double x, double y, double dx, double side, double dy) {
    for (double v : {0.06, life, x, y, dx, side, dy}) platform->random.Queue(v);
  }
  bool DotAt(int x, int y) const {
    Colour a = form->surface.Get(x, y), b = form->surface.Get(x + 1, y);
    return a == b && (a >> 16) == 255 && a != kWhite;
  }
};

TEST_F(StarTest, AStarFromY30WithStep5IsDrawnOn34TicksAndEndsOnThe35th) {
  frmMain& f = *form;
  // Clear sky where it flies, so that every dot can be seen.
  f.Line(0, 0, 628, 210, kBlack);
  QueueStart(0.999, 0.5, 0.0, 0.0, 0.7, 0.0);
  f.timShootingStar_Timer();
  EXPECT_EQ(g().StarLife, 149);
  EXPECT_EQ(g().StarX, 300);
  EXPECT_EQ(g().StarY, 30);
  EXPECT_EQ(g().StarDX, 5);  // Int(0.7 x 2) = 1: to the right
  EXPECT_EQ(g().StarDY, 5);
  EXPECT_FALSE(DotAt(300, 30));  // nothing on the starting tick
  int drawn = 0;
  for (int tick = 1; tick <= 35; ++tick) {
    int oldX = g().StarX, oldY = g().StarY;
    f.timShootingStar_Timer();
    EXPECT_EQ(f.surface.Get(oldX, oldY), kBlack) << tick;  // the last dot is gone
    if (g().StarLife != 0) {
      EXPECT_TRUE(DotAt(g().StarX, g().StarY)) << tick;
      ++drawn;
    } else {
      EXPECT_EQ(tick, 35);
    }
  }
  EXPECT_EQ(drawn, 34);
  EXPECT_EQ(g().StarLife, 0);
}

TEST_F(StarTest, ColourDrawsGreenThenBlueAndAStartNeedsADrawOfOne) {
  frmMain& f = *form;
  platform->random.Queue(0.0);  // Int(0 x 20) = 0: no star
  platform->random.Queue(0.1);  // Int(2) = 2: no star
  f.timShootingStar_Timer();
  f.timShootingStar_Timer();
  EXPECT_EQ(g().StarLife, 0);
  QueueStart(0.0, 0.0, 0.5, 0.999, 0.2, 0.999);
  f.timShootingStar_Timer();
  EXPECT_EQ(g().StarLife, 50);
  EXPECT_EQ(g().StarX, 50);
  EXPECT_EQ(g().StarY, 105);
  EXPECT_EQ(g().StarDX, -24);  // Int(0.2 x 2) = 0: to the left
  EXPECT_EQ(g().StarDY, 24);
  platform->random.Queue(0.5);  // green Int(127.5)
  platform->random.Queue(0.2);  // blue Int(51)
  f.timShootingStar_Timer();
  EXPECT_EQ(f.surface.Get(26, 129), Rgb(255, 127, 51));
  EXPECT_EQ(f.surface.Get(27, 129), Rgb(255, 127, 51));
  // Flying on to the left, off the playfield, it draws nothing and ends below Y 200.
  for (int i = 0; i < 5; ++i) f.timShootingStar_Timer();
  EXPECT_EQ(g().StarLife, 0);
  EXPECT_EQ(platform->random.Queued(), 0u);
}

TEST_F(StarTest, NeverBelowY200AndHiddenUnderThePanel) {
  frmMain& f = *form;
  auto panel = [&] {
    std::vector<Colour> px;
    for (int y = 0; y < Surface::kHeight; ++y)
      for (int x = 629; x < Surface::kWidth; ++x) px.push_back(f.surface.Get(x, y));
    return px;
  };
  const std::vector<Colour> before = panel();
  int stars = 0;
  for (int tick = 0; tick < 20000; ++tick) {
    bool idle = g().StarLife == 0;
    f.timShootingStar_Timer();
    stars += idle && g().StarLife != 0;
    if (g().StarLife != 0) {
      ASSERT_LE(g().StarY, 200) << tick;
    }
  }
  EXPECT_GT(stars, 200);
  // No star colour anywhere below Y 200 on the playfield, and the panel unchanged.
  for (int y = 201; y < Surface::kHeight; ++y)
    for (int x = 0; x < 629; ++x) {
      Colour c = f.surface.Get(x, y);
      ASSERT_FALSE((c >> 16) == 255 && c != kWhite && c != kRed) << x << "," << y;
    }
  EXPECT_EQ(panel(), before);
}

}  // namespace
}  // namespace kv::test
