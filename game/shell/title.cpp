// The title screen and the attract round.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::ShowTitle() {
  // FIXME(issue 5): the high score: after a game that beat it, the name entry and its storage
  // in the INI file; otherwise the stored record. Then the level, speed and key captions of
  // the side panel.
  gd.UfoDY = 1;
  gd.ShotActive = false;
  imgShip.SetVisible(true);
  gd.ShipX = 1;
  gd.ShipY = 410;
  gd.ShipDir = 0;
  gd.Lives = 0;
  gd.GameMode = kModeSwitching;
  gd.Rating = 0;
  Form_DblClick();
  StartRound();
  imgShip1[0].SetVisible(false);
  imgShip1[1].SetVisible(false);
  imgLives.SetPicture(imgShip.GetPicture());
}

}  // namespace kv
