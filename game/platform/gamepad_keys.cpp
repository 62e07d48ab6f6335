#include "game/platform/gamepad_keys.h"

#include "game/platform/keys.h"

namespace kv {

namespace {
int16_t ArrowFor(int dir) { return dir < 0 ? kKeyLeft : kKeyRight; }
}  // namespace

void GamepadKeys::Press(int32_t pad, Button b, bool down) {
  Pad& p = pads_[pad];
  switch (b) {
    case Button::Left: p.left = down; break;
    case Button::Right: p.right = down; break;
    case Button::Fire:
      p.fire = down ? p.fire + 1 : (p.fire > 0 ? p.fire - 1 : 0);
      // Every press is a key-down with Ctrl held: one shot, as on the keyboard.
      if (down) {
        fire_ = true;
        sink_.keyDown(kKeyControl, kCtrlMask);
        return;
      }
      break;
    case Button::Start:
      if (down) {
        const int16_t key = sink_.playing() ? kKeyPause : kKeyF5;
        sink_.keyDown(key, 0);
        sink_.keyUp(key, 0);
      }
      return;
  }
  Update();
}

void GamepadKeys::StickX(int32_t pad, int value) {
  Pad& p = pads_[pad];
  if (value <= -kPush) {
    p.stick = -1;
  } else if (value >= kPush) {
    p.stick = 1;
  } else if (value > -kRelease && value < kRelease) {
    p.stick = 0;
  }
  Update();
}

void GamepadKeys::Remove(int32_t pad) {
  pads_.erase(pad);
  Update();
}

// Emits the key changes that take the game from what it was told to what the pads hold now.
void GamepadKeys::Update() {
  int left = 0, right = 0, fire = 0;
  for (const auto& [id, p] : pads_) {
    left += p.left || p.stick < 0;
    right += p.right || p.stick > 0;
    fire += p.fire;
  }
  const int dir = left && !right ? -1 : right && !left ? 1 : 0;
  const int16_t shift = fire ? kCtrlMask : 0;
  if (fire_ && !fire) {
    fire_ = false;
    sink_.keyUp(kKeyControl, 0);
  }
  if (dir == dir_) return;
  if (dir_ != 0) sink_.keyUp(ArrowFor(dir_), shift);
  dir_ = dir;
  if (dir_ != 0) sink_.keyDown(ArrowFor(dir_), shift);
}

}  // namespace kv
