// Controllers as keys: what the game is told for each change of the pads.
#include "game/platform/gamepad_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/platform/keys.h"

namespace kv {
namespace {

using B = GamepadKeys::Button;

struct Pads {
  std::vector<std::string> told;
  bool playing = false;
  GamepadKeys keys{{[this](int16_t c, int16_t s) { told.push_back("down " + std::to_string(c) + " " + std::to_string(s)); },
                    [this](int16_t c, int16_t s) { told.push_back("up " + std::to_string(c) + " " + std::to_string(s)); },
                    [this] { return playing; }}};
  std::vector<std::string> Take() { return std::exchange(told, {}); }
};

using Told = std::vector<std::string>;

TEST(GamepadKeysTest, StickAndPadAreTheArrowsWithAMarginThatDoesNotFlicker) {
  Pads p;
  p.keys.StickX(1, 15000);  // not yet pushed
  EXPECT_EQ(p.Take(), Told{});
  p.keys.StickX(1, 20000);
  EXPECT_EQ(p.Take(), Told{"down 39 0"});
  p.keys.StickX(1, 12000);  // between the marks: still pushed
  p.keys.Press(1, B::Right, true);  // the pad agrees: nothing new
  EXPECT_EQ(p.Take(), Told{});
  p.keys.StickX(1, -32768);  // the stick left, the pad right: neither
  EXPECT_EQ(p.Take(), Told{"up 39 0"});
  p.keys.Press(1, B::Right, false);
  EXPECT_EQ(p.Take(), Told{"down 37 0"});
  p.keys.StickX(1, 0);
  EXPECT_EQ(p.Take(), Told{"up 37 0"});
}

TEST(GamepadKeysTest, EveryFaceButtonPressIsAShotAndTheArrowsCarryCtrlMeanwhile) {
  Pads p;
  p.keys.Press(1, B::Fire, true);
  p.keys.Press(1, B::Fire, true);  // a second face button
  p.keys.Press(1, B::Left, true);
  p.keys.Press(1, B::Fire, false);
  p.keys.Press(1, B::Fire, false);
  EXPECT_EQ(p.Take(), (Told{"down 17 2", "down 17 2", "down 37 2", "up 17 0"}));
}

TEST(GamepadKeysTest, StartIsF5OutsidePlayAndPauseInPlay) {
  Pads p;
  p.keys.Press(1, B::Start, true);
  p.keys.Press(1, B::Start, false);
  p.playing = true;
  p.keys.Press(1, B::Start, true);
  EXPECT_EQ(p.Take(), (Told{"down 116 0", "up 116 0", "down 19 0", "up 19 0"}));
}

TEST(GamepadKeysTest, PadsActAsOneAndAPadThatGoesLetsGo) {
  Pads p;
  p.keys.Press(1, B::Left, true);
  p.keys.Press(2, B::Left, true);
  p.keys.Press(2, B::Fire, true);
  p.keys.Remove(1);  // pad 2 still holds left
  EXPECT_EQ(p.Take(), (Told{"down 37 0", "down 17 2"}));
  p.keys.Remove(2);
  EXPECT_EQ(p.Take(), (Told{"up 17 0", "up 37 0"}));
}

}  // namespace
}  // namespace kv
