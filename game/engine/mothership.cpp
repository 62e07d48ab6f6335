// The mothership's step, part of every formation move.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::MoveMotherShip() {
  if (gd.UfoActive) {
    if (!gd.UfoSoundOn && gd.SoundOn) {
      if (gd.HasWaveDevice) PlaySoundFile(AppFilePath("ufo.wav"), true);
      gd.UfoSoundOn = true;
    }
    imgMotherShip.Move(gd.UfoX, gd.UfoY);
    imgMotherShip.SetVisible(true);
    gd.UfoX = ToInteger(gd.UfoX + gd.UfoDX);
    gd.UfoY = ToInteger(gd.UfoY + gd.UfoDY);
    gd.UfoWobble = ToInteger(gd.UfoWobble + 1);
    if (gd.UfoWobble > 6) {
      gd.UfoWobble = 0;
      gd.UfoDY = ToInteger(-gd.UfoDY);
    }
    if ((gd.UfoX >= 651 && gd.UfoDX > 0) || (gd.UfoX < -100 && gd.UfoDX < 0)) {
      imgMotherShip.SetVisible(false);
      gd.UfoActive = false;
    }
    return;
  }
  gd.UfoSoundOn = false;
  if (Int(Rnd() * 250) == 1) {
    gd.UfoActive = true;
    gd.UfoY = 70;
    if (Int(2 * Rnd()) == 0) {
      gd.UfoX = 650;
      gd.UfoDX = -3;
    } else {
      gd.UfoX = -100;
      gd.UfoDX = 3;
    }
  }
}

}  // namespace kv
