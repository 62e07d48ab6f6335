// Level and speed: the check marks are the current choice, the procedures apply it.
#include "game/engine/frmMain.h"

namespace kv {

namespace {

void CheckOnly(MenuItem& chosen, MenuItem& a, MenuItem& b, MenuItem& c) {
  a.SetChecked(&a == &chosen);
  b.SetChecked(&b == &chosen);
  c.SetChecked(&c == &chosen);
}

}  // namespace

void frmMain::SetLevelEasy() {
  gd.InvDrop = 8;
  gd.InvCount = 30;
  gd.BombSlots = 10;
  gd.DoubleBombs = false;
  CheckOnly(mnuEasy, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetLevelMedium() {
  gd.InvDrop = 14;
  gd.InvCount = 40;
  gd.BombSlots = 10;
  gd.DoubleBombs = false;
  CheckOnly(mnuMedium, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetLevelHard() {
  gd.InvDrop = 20;
  gd.InvCount = 40;
  gd.BombSlots = 12;
  gd.DoubleBombs = true;
  CheckOnly(mnuHard, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetSpeedSlow() {
  CheckOnly(mnuSlow, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(100);
}

void frmMain::SetSpeedNormal() {
  CheckOnly(mnuNormal, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(35);
}

void frmMain::SetSpeedFast() {
  CheckOnly(mnuFast, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(2);
}

// Level and speed change only on the title screen.
void frmMain::mnuEasy_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelEasy();
  ShowTitle();
}

void frmMain::mnuMedium_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelMedium();
  ShowTitle();
}

void frmMain::mnuHard_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelHard();
  ShowTitle();
}

void frmMain::mnuSlow_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedSlow();
  ShowTitle();
}

void frmMain::mnuNormal_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedNormal();
  ShowTitle();
}

void frmMain::mnuFast_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedFast();
  ShowTitle();
}

}  // namespace kv
