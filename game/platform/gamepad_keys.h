#pragma once
// Game controllers as the keys the game knows: the D-pad and the left stick are the arrow
// keys, a face button is Ctrl (a shot, as on the keyboard), Start is F5 outside play and the
// pause key in play. Several controllers act as one; a controller that goes away lets go of
// everything it held. No toolkit here: the controller layer reports presses and the stick.
#include <cstdint>
#include <functional>
#include <map>

namespace kv {

class GamepadKeys {
 public:
  enum class Button { Left, Right, Fire, Start };

  struct Sink {
    std::function<void(int16_t code, int16_t shift)> keyDown;
    std::function<void(int16_t code, int16_t shift)> keyUp;
    std::function<bool()> playing;  // a game is being played (paused or not)
  };

  // The stick counts as pushed beyond kPush and as let go within kRelease (of 32767).
  static constexpr int kPush = 16000;
  static constexpr int kRelease = 8000;

  explicit GamepadKeys(Sink sink) : sink_(std::move(sink)) {}

  // pad is the controller's id; an id not seen before is a new controller.
  void Press(int32_t pad, Button b, bool down);
  void StickX(int32_t pad, int value);  // -32768 (left) .. 32767 (right)
  void Remove(int32_t pad);

 private:
  struct Pad {
    bool left = false, right = false;
    int stick = 0;  // -1, 0 or 1
    int fire = 0;   // face buttons held
  };
  void Update();

  Sink sink_;
  std::map<int32_t, Pad> pads_;
  int dir_ = 0;  // the arrow key held down now: -1 left, 1 right
  bool fire_ = false;
};

}  // namespace kv
