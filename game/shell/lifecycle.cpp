// Loading and unloading the form, the step back to the title, Exit and About.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::Form_Load() {
  form.SetBackColor(kBlack);
  gd.DoubleBombs = false;
  gd.ShotSpeed = 4;
  gd.BombSlots = 10;
  gd.InvCount = 40;
  gd.HasWaveDevice = DetectWaveDevice();
  if (gd.HasWaveDevice) {
    gd.SoundOn = true;
    gd.MusicOn = true;
  }
  for (int i = 1; i <= 4; ++i) imgBases[i].SetPicture(imgBases[0].GetPicture());
  gd.RatingText[5] = "NEW TYPE";
  LoadSettings();
  mnuSound.SetChecked(gd.SoundOn);
  mnuMusicOn.SetChecked(gd.MusicOn);
  ShowTitle();
}

void frmMain::Form_QueryUnload() {
  StopMusic();
  SaveSettings();
}

// Back to the title state; only while a game is being started or ended.
void frmMain::Form_DblClick() {
  if (gd.GameMode != kModeSwitching) return;
  StopMusic();
  gd.RoundNo = 1;
  gd.ShipX = 1;
  gd.GameMode = kModeTitle;
}

void frmMain::mnuExit_Click() { Unload(); }

void frmMain::mnuAbout_Click() {
  ports_.dialogs.MessageBox(std::string(kTitle) + "  Version 1.01", kTitle);
}

}  // namespace kv
