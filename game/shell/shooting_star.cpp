// The shooting star: a two-pixel dot streaking down through the upper playfield, drawn straight
// on the form between the engine's own drawings.
#include "game/engine/frmMain.h"

namespace kv {

namespace {

constexpr int kLowestY = 200;

}  // namespace

void frmMain::timShootingStar_Timer() {
  GameData& g = gd;
  if (g.StarLife != 0) {
    Line(g.StarX, g.StarY, g.StarX + 1, g.StarY, kBlack);
    g.StarX = ToInteger(g.StarX + g.StarDX);
    g.StarY = ToInteger(g.StarY + g.StarDY);
    g.StarTick = ToInteger(g.StarTick + 1);
    if (g.StarTick > g.StarLife || g.StarY > kLowestY) {
      g.StarLife = 0;
      return;
    }
    // Green first, then blue: the draws keep this order.
    int green = Int(Rnd() * 255);
    int blue = Int(Rnd() * 255);
    Line(g.StarX, g.StarY, g.StarX + 1, g.StarY, Rgb(255, green, blue));
    return;
  }
  // A new star starts on one tick in twenty; it is first drawn on the next.
  if (Int(Rnd() * 20) != 1) return;
  g.StarLife = ToInteger(Int(Rnd() * 100) + 50);
  g.StarX = ToInteger(Int(Rnd() * 500) + 50);
  g.StarY = ToInteger(Int(Rnd() * 150) + 30);
  g.StarDX = ToInteger(Int(Rnd() * 20) + 5);
  if (Int(Rnd() * 2) == 0) g.StarDX = ToInteger(-g.StarDX);
  g.StarDY = ToInteger(Int(Rnd() * 20) + 5);
  g.StarTick = 0;
}

}  // namespace kv
