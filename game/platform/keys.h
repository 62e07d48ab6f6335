#pragma once
// Key codes and shift bits as the game receives them (virtual-key numbering).
#include <cstdint>

namespace kv {

constexpr int16_t kKeyReturn = 13;
constexpr int16_t kKeyShift = 16;
constexpr int16_t kKeyControl = 17;
constexpr int16_t kKeyMenu = 18;  // Alt
constexpr int16_t kKeyPause = 19;
constexpr int16_t kKeyLeft = 37;
constexpr int16_t kKeyRight = 39;
constexpr int16_t kKeyP = 80;
constexpr int16_t kKeyF5 = 116;

constexpr int16_t kShiftMask = 1;
constexpr int16_t kCtrlMask = 2;
constexpr int16_t kAltMask = 4;

}  // namespace kv
