#pragma once
// Toolkit keys to the game's key codes and shift state.
#include <cstdint>

namespace kv {

// The key code for a toolkit key value; 0 for a key the game has no code for.
int16_t KeyCodeFor(unsigned keyval);
// The shift state (1 Shift, 2 Ctrl, 4 Alt) from the toolkit's modifier state, which does not
// yet hold the modifier being pressed or still holds the one being released.
int16_t ShiftStateFor(unsigned state, unsigned keyval, bool pressed);

}  // namespace kv
