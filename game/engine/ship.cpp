// The main tick, the cannon and the keys.
#include "game/engine/frmMain.h"

#include "game/platform/keys.h"

namespace kv {

void frmMain::timMain_Timer() {
  MoveShip();
  MoveInvaders();
  MoveShip();
  if (gd.DoubleBombs) MoveBombs();
  MoveShip();
  MoveShip();
  MoveShip();
  MoveBombs();
  MoveShip();
}

// The clamp comes before the step, so the cannon can stand at 0 or 590 for one step.
void frmMain::MoveShip() {
  if (gd.ShipX < 1) gd.ShipX = 1;
  if (gd.ShipX > 589) gd.ShipX = 589;
  if (gd.ShipX > 0 && gd.ShipX < 590) gd.ShipX = ToInteger(gd.ShipX + gd.ShipDir);
  imgShip.Move(gd.ShipX, gd.ShipY);
}

void frmMain::Form_KeyDown(Integer KeyCode, Integer Shift) {
  if (KeyCode == kKeyLeft && gd.GameMode == kModePlay && gd.ShipX > 0) gd.ShipDir = -1;
  if (KeyCode == kKeyRight && gd.GameMode == kModePlay && gd.ShipX < 590) gd.ShipDir = 1;
  // Any key-down with a modifier fires, the modifier key's own key-down and repeat included.
  if (Shift != 0 && gd.GameMode == kModePlay && !gd.ShotActive) {
    gd.ShotActive = true;
    gd.ShotX = ToInteger(gd.ShipX + 14);
    gd.ShotY = ToInteger(gd.ShipY + 2);
    gd.ShotsLeft = ToInteger(gd.ShotsLeft - 1);
    PlaySound("Fire.wav");
  }
  if (KeyCode == kKeyReturn && !mnuFile.Visible()) ShowMenus(true);
}

void frmMain::Form_KeyUp(Integer KeyCode, Integer /*Shift*/) {
  if ((KeyCode == kKeyLeft || KeyCode == kKeyRight) && gd.GameMode == kModePlay) gd.ShipDir = 0;
}

void frmMain::ShowMenus(bool Show) {
  mnuFile.SetVisible(Show);
  mnuLevel.SetVisible(Show);
  mnuOptions.SetVisible(Show);
  mnuHelp.SetVisible(Show);
  mnuSpeed.SetVisible(Show);
}

}  // namespace kv
