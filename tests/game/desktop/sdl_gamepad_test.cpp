// A controller on the real input path: an SDL virtual controller, SDL's controller layer,
// GamepadKeys and the form's keys, on the headless game.
#include "game/platform/gtk/sdl_gamepads.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "tests/game/support/game_fixture.h"

namespace kv {
namespace {

class SdlGamepadTest : public test::GameTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pads.ok()) << SDL_GetError();
    index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    pads.Poll();
    ASSERT_EQ(pads.Count(), 1) << "the controller was not taken up";
    stick = SDL_JoystickOpen(index);
    ASSERT_NE(stick, nullptr);
  }
  void TearDown() override {
    if (stick) SDL_JoystickClose(stick);
    if (index >= 0) SDL_JoystickDetachVirtual(index);
  }

  void Button(SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(stick, b, down ? 1 : 0);
    pads.Poll();
  }
  void Axis(SDL_GameControllerAxis a, int16_t v) {
    SDL_JoystickSetVirtualAxis(stick, a, v);
    pads.Poll();
  }
  void Run(int ms) { platform.loop.RunUntil(now() + ms); }

  GamepadKeys keys{{[this](int16_t c, int16_t s) { f.KeyDown(c, s); }, [this](int16_t c, int16_t s) { f.Form_KeyUp(c, s); },
                    [this] { return g().GameMode == kModePlay || f.Paused(); }}};
  SdlGamepads pads{keys};
  int index = -1;
  SDL_Joystick* stick = nullptr;
};

TEST_F(SdlGamepadTest, StartStartsAGameTheStickMovesTheCannonAButtonFiresStartPauses) {
  ASSERT_EQ(g().GameMode, kModeTitle);
  Button(SDL_CONTROLLER_BUTTON_START, true);
  Button(SDL_CONTROLLER_BUTTON_START, false);
  ASSERT_EQ(g().GameMode, kModePlay);

  const int16_t x0 = g().ShipX;
  Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  Run(500);
  EXPECT_GT(g().ShipX, x0 + 20);
  Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
  EXPECT_EQ(g().ShipDir, 0);
  Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  EXPECT_EQ(g().ShipDir, -1);
  Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);

  Button(SDL_CONTROLLER_BUTTON_A, true);
  EXPECT_TRUE(g().ShotActive);
  Button(SDL_CONTROLLER_BUTTON_A, false);

  Button(SDL_CONTROLLER_BUTTON_START, true);
  EXPECT_TRUE(f.Paused());
  Button(SDL_CONTROLLER_BUTTON_START, false);
  Button(SDL_CONTROLLER_BUTTON_START, true);
  EXPECT_FALSE(f.Paused());
}

TEST_F(SdlGamepadTest, AControllerPulledOutLetsGoAndOnePluggedInIsTakenUp) {
  f.mnuStart_Click();
  Axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
  EXPECT_EQ(g().ShipDir, -1);
  SDL_JoystickClose(stick);
  stick = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
  index = -1;
  pads.Poll();
  EXPECT_EQ(pads.Count(), 0);
  EXPECT_EQ(g().ShipDir, 0) << "the cannon kept moving after its controller went";

  index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                    SDL_CONTROLLER_BUTTON_MAX, 0);
  pads.Poll();
  EXPECT_EQ(pads.Count(), 1);
  stick = SDL_JoystickOpen(index);
  Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  EXPECT_EQ(g().ShipDir, 1);
}

}  // namespace
}  // namespace kv
