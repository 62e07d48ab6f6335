// The formation's march: the move on every main tick and the picture and sound tempo.
#include "game/engine/frmMain.h"

namespace kv {

namespace {

// Each kill and each edge contact shortens the march tempo by 7 %, down to 50 ms.
void SpeedUpTempo(Timer& t) {
  int next = Int(t.Interval() * 0.93);
  t.SetInterval(next < 50 ? 50 : next);
}

}  // namespace

void frmMain::MoveInvaders() {
  timDemo.SetEnabled(gd.GameMode != kModePlay);
  // Each pair of missile steps tests ShotActive once: the second step runs even when the
  // first one ended the missile.
  if (gd.ShotActive) { MoveShot(); MoveShot(); }

  if (gd.BonusTicks > 0) {
    gd.BonusTicks = ToInteger(gd.BonusTicks - 1);
    if (gd.BonusTicks == 1) lblBonus.SetVisible(false);
  }

  for (int n = 1; n <= gd.InvCount; ++n) imgInv[n - 1].Move(gd.InvX[n], gd.InvY[n]);

  if (gd.ShotSpeed > 1 && gd.ShotActive) { MoveShot(); MoveShot(); }

  for (int n = 1; n <= gd.InvCount; ++n) {
    if (gd.InvDead[n]) continue;
    gd.InvX[n] += gd.InvSpeedX;
    if (gd.InvAtEdge) gd.InvY[n] += gd.InvDrop;
  }
  gd.InvAtEdge = false;

  for (int n = 1; n <= gd.InvCount; ++n) {
    if (gd.InvDead[n]) continue;
    if (gd.InvX[n] > 600 || gd.InvX[n] < 10) gd.InvAtEdge = true;
    if (gd.InvY[n] > 300) gd.Invasion = 1;
    if (gd.InvY[n] > 390) {
      gd.Invasion = 2;
      gd.GameMode = kModeSwitching;
      GameOver();
    }
  }

  if (gd.InvAtEdge) {
    SpeedUpTempo(timInvader);
    gd.InvSpeedX = gd.InvSpeedX * gd.InvReverse;
    if (mnuHard.Checked()) gd.InvSpeedX = static_cast<Single>(gd.InvSpeedX * 1.05);
  }
  if (gd.InvSpeedX > 15) gd.InvSpeedX = 15;
  if (gd.InvSpeedX < -15) gd.InvSpeedX = -15;

  if (gd.Invasion == 1) {
    for (ImageControl& b : imgBases) b.SetVisible(false);
  }
  if (gd.Invasion == 2) GameOver();

  if (gd.ShotSpeed > 2 && gd.ShotActive) { MoveShot(); MoveShot(); }
  MoveMotherShip();
  if (gd.ShotSpeed > 3 && gd.ShotActive) { MoveShot(); MoveShot(); }
}

void frmMain::timInvader_Timer() { AnimateInvaders(); }

void frmMain::AnimateInvaders() {
  for (int k = 0; k < gd.InvCount; ++k) {
    if (gd.InvDead[k + 1]) imgInv[k].SetVisible(false);
  }
  const Picture& frame = gd.InvFrame ? imgInvader[1].GetPicture() : imgInvader[0].GetPicture();
  for (int k = 0; k < gd.InvCount; ++k) {
    if (!gd.InvDead[k + 1]) imgInv[k].SetPicture(frame);
  }
  gd.InvFrame = !gd.InvFrame;
  if (gd.SoundOn && gd.HasWaveDevice) {
    gd.StepSound = ToInteger(gd.StepSound + 1);
    if (gd.StepSound > 4 || gd.StepSound < 1) gd.StepSound = 1;
    static const char* const kStep[4] = {"inv1.wav", "inv2.wav", "inv3.wav", "inv4.wav"};
    PlaySoundFile(AppFilePath(kStep[gd.StepSound - 1]), true);
  }
}

}  // namespace kv
