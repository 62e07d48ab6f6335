#pragma once
// Game controllers through SDL's controller layer, plugged in and out at any time. Poll runs
// on the window's thread (the desktop calls it a few times a frame) and turns what happened
// since into presses for GamepadKeys. Without the controller layer (no devices, no access)
// nothing happens and nothing is reported.
#include <cstdint>
#include <map>

#include "game/platform/gamepad_keys.h"

typedef struct _SDL_GameController SDL_GameController;

namespace kv {

class SdlGamepads {
 public:
  explicit SdlGamepads(GamepadKeys& keys);
  ~SdlGamepads();
  SdlGamepads(const SdlGamepads&) = delete;
  SdlGamepads& operator=(const SdlGamepads&) = delete;

  bool ok() const { return ok_; }
  void Poll();
  int Count() const { return static_cast<int>(pads_.size()); }

 private:
  void Added(int deviceIndex);
  void Removed(int32_t id);

  GamepadKeys& keys_;
  bool ok_ = false;
  std::map<int32_t, SDL_GameController*> pads_;  // by joystick instance id
};

}  // namespace kv
