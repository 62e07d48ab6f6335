#include "game/platform/gtk/sdl_gamepads.h"

#include <SDL.h>

namespace kv {

namespace {

bool ButtonFor(uint8_t b, GamepadKeys::Button& out) {
  switch (b) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: out = GamepadKeys::Button::Left; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: out = GamepadKeys::Button::Right; return true;
    case SDL_CONTROLLER_BUTTON_A:
    case SDL_CONTROLLER_BUTTON_B:
    case SDL_CONTROLLER_BUTTON_X:
    case SDL_CONTROLLER_BUTTON_Y: out = GamepadKeys::Button::Fire; return true;
    case SDL_CONTROLLER_BUTTON_START: out = GamepadKeys::Button::Start; return true;
    default: return false;
  }
}

}  // namespace

SdlGamepads::SdlGamepads(GamepadKeys& keys) : keys_(keys) {
  // The program's own handlers end it on a signal; SDL must not take them over. There is no
  // SDL window, so the controllers are read whatever window has the focus.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  ok_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

SdlGamepads::~SdlGamepads() {
  if (!ok_) return;
  for (auto& [id, c] : pads_) SDL_GameControllerClose(c);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void SdlGamepads::Added(int deviceIndex) {
  SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
  if (!c) return;
  const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
  if (!pads_.emplace(id, c).second) SDL_GameControllerClose(c);  // already open: drop the extra reference
}

void SdlGamepads::Removed(int32_t id) {
  auto it = pads_.find(id);
  if (it == pads_.end()) return;
  SDL_GameControllerClose(it->second);
  pads_.erase(it);
  keys_.Remove(id);
}

void SdlGamepads::Poll() {
  if (!ok_) return;
  SDL_PumpEvents();
  SDL_Event events[32];
  int n;
  while ((n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERDEVICEREMAPPED)) > 0) {
    for (int i = 0; i < n; ++i) {
      const SDL_Event& e = events[i];
      GamepadKeys::Button b;
      switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: Added(e.cdevice.which); break;
        case SDL_CONTROLLERDEVICEREMOVED: Removed(e.cdevice.which); break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
          if (pads_.count(e.cbutton.which) && ButtonFor(e.cbutton.button, b))
            keys_.Press(e.cbutton.which, b, e.type == SDL_CONTROLLERBUTTONDOWN);
          break;
        case SDL_CONTROLLERAXISMOTION:
          if (pads_.count(e.caxis.which) && e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
            keys_.StickX(e.caxis.which, e.caxis.value);
          break;
        default: break;
      }
    }
  }
  // The raw joystick events are not used; they must not pile up in the queue.
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED);
}

}  // namespace kv
