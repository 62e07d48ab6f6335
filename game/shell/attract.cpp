// The attract mode: the demo cannon and the blinking title.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::timDemo_Timer() {
  // The main tick switches this timer off once a game runs; a tick already due when the game
  // started must not move the player's cannon, fire for it or show the title.
  if (gd.GameMode == kModePlay) return;
  DemoStep();
  if (gd.TitleBlink < 1) {
    lblTitle.SetVisible(!lblTitle.Visible());
    gd.TitleBlink = 40;
  }
  gd.TitleBlink = ToInteger(gd.TitleBlink - 1);
}

// The demo cannon keeps a random move for a random number of ticks and fires whenever its
// missile is gone. The main tick moves the picture and flies the missile.
void frmMain::DemoStep() {
  gd.DemoTick = ToInteger(gd.DemoTick + 1);
  if (gd.DemoTick > gd.DemoNextTurn) {
    gd.DemoNextTurn = ToInteger(Int(Rnd() * 20));
    gd.DemoTick = 0;
    gd.DemoDir = ToInteger(Int(Rnd() * 3));
  }
  if (gd.DemoDir == 1 && gd.ShipX > 9) gd.ShipX = ToInteger(gd.ShipX - 2);
  if (gd.DemoDir == 2 && gd.ShipX < 590) gd.ShipX = ToInteger(gd.ShipX + 2);
  if (!gd.ShotActive) {
    gd.ShotActive = true;
    gd.ShotX = ToInteger(gd.ShipX + 13);
    gd.ShotY = ToInteger(gd.ShipY + 2);
  }
}

}  // namespace kv
