#pragma once
// The game-state record: every field the engine and the shell share, in declaration order,
// with the widths of the original record (Integer 16-bit, Boolean 16-bit with True = -1,
// Single 32-bit float, Double 64-bit). Arrays keep slot 0, which the game does not use.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace kv {

using Integer = int16_t;
using Single = float;
using Double = double;
using String = std::string;

// A 16-bit Boolean: True is stored as -1, False as 0.
struct Boolean {
  int16_t value = 0;
  constexpr Boolean() = default;
  constexpr Boolean(bool b) : value(b ? -1 : 0) {}
  constexpr operator bool() const { return value != 0; }
};
static_assert(sizeof(Boolean) == 2);

// Integer results go through here: the game's values stay far inside 16 bits, and a value
// that did not would be held at the limit instead of wrapping around.
constexpr Integer ToInteger(int64_t v) {
  return static_cast<Integer>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

struct GameData {
  Integer StarX = 0;
  Integer StarY = 0;
  Integer StarDX = 0;
  Integer StarDY = 0;
  Integer StarLife = 0;
  Integer StarTick = 0;
  Integer Lives = 0;
  Integer ShipX = 0;
  Integer ShipY = 0;
  Integer ShipDir = 0;
  Integer InvCount = 0;
  std::array<Single, 41> InvX{};
  std::array<Single, 41> InvY{};
  Single InvSpeedX = 0;
  Single InvDrop = 0;
  std::array<Boolean, 41> InvDead{};
  Integer InvGapX = 0;
  Integer InvGapY = 0;
  Boolean InvFrame;
  Boolean InvAtEdge;
  Single InvTop = 0;
  Integer DemoTick = 0;
  Boolean ShotActive;
  Boolean UfoActive;
  Boolean NewHiScore;
  Integer ShotX = 0;
  Integer ShotY = 0;
  Integer ShotSpeed = 0;
  std::array<Single, 31> BombX{};
  std::array<Single, 31> BombY{};
  std::array<Single, 31> BombFall{};
  Integer BombSlots = 0;
  Boolean DoubleBombs;
  Integer UfoX = 0;
  Integer UfoY = 0;
  Integer UfoDX = 0;
  Integer UfoDY = 0;
  Integer UfoWobble = 0;
  Integer StepSound = 0;
  Integer BonusTicks = 0;
  Boolean UfoSoundOn;
  Single InvReverse = 0;
  Integer Invasion = 0;
  Integer UfoBonus = 0;
  Integer GameMode = 0;
  std::array<String, 6> RatingText{};
  Integer Rating = 0;
  Double Score = 0;
  Double HiScore = 0;
  Integer Kills = 0;
  Integer RoundNo = 0;
  String HiScoreName;
  Boolean SoundOn;
  Boolean MusicOn;
  Boolean HasWaveDevice;
  Integer ShotsLeft = 0;
  Boolean BombPhase;
  Integer TitleBlink = 0;
  Integer DemoNextTurn = 0;
  Integer DemoDir = 0;
};

// GameMode values.
constexpr Integer kModePlay = 0;
constexpr Integer kModeTitle = 1;
constexpr Integer kModeSwitching = 2;

}  // namespace kv
