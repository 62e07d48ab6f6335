// Round set-up and the start of a game.
#include "game/engine/frmMain.h"

namespace kv {

namespace {

struct LevelValues {
  Single reverse, drop;
  Integer gapX, gapY;
  Single topCap;
};
constexpr LevelValues kEasy{-1.005f, 8, 26, 30, 230};
constexpr LevelValues kMedium{-1.02f, 14, 36, 35, 210};
constexpr LevelValues kHard{-1.04f, 20, 46, 40, 180};

void ApplyLevel(GameData& g, const LevelValues& v) {
  g.InvReverse = v.reverse;
  g.InvDrop = v.drop;
  g.InvGapX = v.gapX;
  g.InvGapY = v.gapY;
  if (g.InvTop > v.topCap) g.InvTop = v.topCap;
}

}  // namespace

void frmMain::StartRound() {
  Cls();
  lblTitle.SetVisible(true);
  gd.Invasion = 0;
  gd.NewHiScore = false;
  lblBonus.SetVisible(false);
  imgShip.SetVisible(true);

  gd.ShipY = 410;
  gd.InvTop = static_cast<Single>(gd.RoundNo * 16 + 66);
  gd.Kills = 0;
  gd.UfoActive = false;
  gd.ShotActive = false;
  gd.ShotsLeft = 23;
  gd.ShipX = 1;

  // With no level checked the previous round's values stay.
  if (mnuEasy.Checked()) ApplyLevel(gd, kEasy);
  if (mnuMedium.Checked()) ApplyLevel(gd, kMedium);
  if (mnuHard.Checked()) ApplyLevel(gd, kHard);

  for (int s = 1; s <= 30; ++s) {
    gd.BombX[s] = 0;
    gd.BombY[s] = 0;
  }

  if (mnuSlow.Checked()) gd.InvSpeedX = 0.25f;
  if (mnuNormal.Checked()) gd.InvSpeedX = 0.75f;
  if (mnuFast.Checked()) gd.InvSpeedX = 1.25f;

  const int columns = gd.InvCount / 5;
  for (int c = 1; c <= columns; ++c) {
    for (int r = 1; r <= 5; ++r) {
      int n = c + (r - 1) * columns;
      gd.InvX[n] = static_cast<Single>(c * gd.InvGapX + 20);
      gd.InvY[n] = static_cast<Single>(r * gd.InvGapY) + gd.InvTop;
      gd.InvDead[n] = false;
    }
  }

  for (ImageControl& b : imgBases) b.SetVisible(true);
  imgMotherShip.SetVisible(false);

  // The images reach their grid places on the next formation move.
  for (int k = 0; k <= 39; ++k) {
    gd.InvDead[k + 1] = false;
    imgInv[k].SetVisible(false);
    imgInv[k].SetPicture(imgInvader[0].GetPicture());
    imgInv[k].SetLeft(-1000);
    if (k < gd.InvCount) imgInv[k].SetVisible(true);
  }

  imgShip.Move(gd.ShipX, gd.ShipY);

  if (gd.SoundOn && gd.HasWaveDevice) PlaySoundFile(AppFilePath("start.wav"), true);
  if (gd.HasWaveDevice && gd.MusicOn && gd.GameMode == kModePlay) StartMusic();

  Sleep(800);

  lblTitle.SetVisible(false);
  timInvader.SetInterval(1000);
  timInvader.SetEnabled(true);
}

void frmMain::mnuStart_Click() {
  gd.ShipX = 1;
  gd.Score = 0;
  for (int s = 1; s <= 30; ++s) {
    gd.BombX[s] = 0;
    gd.BombY[s] = 0;
  }
  Cls();
  gd.ShotActive = false;
  gd.GameMode = kModeSwitching;
  Form_DblClick();
  gd.GameMode = kModePlay;
  StartRound();
  gd.Rating = 0;
  gd.Lives = 3;
  lblGameOver.SetVisible(false);
}

}  // namespace kv
