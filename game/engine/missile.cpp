// The player's missile: one step, and whatever it hits on the way.
#include "game/engine/frmMain.h"

#include <cstdlib>

namespace kv {

namespace {

Integer Columns(const GameData& g) { return g.InvCount == 30 ? 6 : 8; }

// Points for invader n: by its band (n \ columns); the first shot of a round earns extra for
// the invaders numbered columns and 2 x columns.
int InvaderPoints(const GameData& g, int n) {
  const int columns = Columns(g), band = n / columns;
  if (band == 0) return 30;
  if (band >= 3) return 10;
  int points = 20;
  if (g.ShotsLeft == 22) {
    if (n == columns) points += 1500;
    if (n == 2 * columns) points += 1200;
  }
  return points;
}

}  // namespace

void frmMain::MoveShot() {
  Line(gd.ShotX, gd.ShotY, gd.ShotX + 1, gd.ShotY - 7, kBlack);
  gd.ShotY = ToInteger(gd.ShotY - 2 * gd.ShotSpeed);
  Line(gd.ShotX, gd.ShotY, gd.ShotX + 1, gd.ShotY - 7, kGreen);
  const int x = gd.ShotX, tip = gd.ShotY;

  if (tip <= 69) {
    gd.ShotActive = false;
  } else if (Point(x, tip - 8) == kCyan || Point(x - 1, tip - 8) == kCyan || Point(x + 1, tip - 8) == kCyan) {
    bool bombHit = false;
    for (int s = 1; s <= gd.BombSlots && !bombHit; ++s) {
      if (gd.BombX[s] - 2 <= x && x <= gd.BombX[s] + 4 && gd.BombY[s] - 5 <= tip - 8 && tip - 8 <= gd.BombY[s] + 5) {
        Line(gd.BombX[s], gd.BombY[s], gd.BombX[s] + 2, gd.BombY[s] + 5, kBlack);
        gd.BombX[s] = 0;
        gd.ShotActive = false;
        bombHit = true;
      }
    }
    if (!bombHit) MissileHits();
  } else {
    MissileHits();
  }

  // End step: a base below the invasion-free line takes a crater.
  if ((Point(x, tip - 8) == kGreen || Point(x, tip - 9) == kGreen) && tip - 9 > 320 && gd.Invasion == 0) {
    CutMissileCrater();
    gd.ShotActive = false;
  }
  if (gd.ShotActive) return;
  Line(gd.ShotX, gd.ShotY, gd.ShotX + 1, gd.ShotY - 7, kBlack);
  if (gd.ShotsLeft == 0) gd.ShotsLeft = 15;
}

// What the missile's tip touches once it has moved: red is the mothership; else white is an
// invader.
void frmMain::MissileHits() {
  const int x = gd.ShotX, tip = gd.ShotY;
  if (Point(x, tip - 8) == kRed || Point(x, tip - 9) == kRed || Point(x, tip - 10) == kRed) {
    // Red seen too low or with no mothership flying (the bonus caption) is ignored.
    if (tip - 9 < 110 && gd.UfoActive) ShotHitMotherShip();
    return;
  }
  if (Point(x, tip - 8) == kWhite || Point(x, tip - 9) == kWhite) ShotHitInvaders();
}

void frmMain::ShotHitMotherShip() {
  PlaySound("ufohit.wav");
  const int d = std::abs(gd.UfoX + 16 - gd.ShotX);
  gd.UfoBonus = 1;
  if (d < 8) gd.UfoBonus = 2;
  if (d < 6) gd.UfoBonus = 3;
  if (d < 4) gd.UfoBonus = 4;
  if (d < 2) gd.UfoBonus = 5;
  if (gd.ShotsLeft == 0) gd.UfoBonus = 6;
  if (gd.GameMode == kModePlay) gd.Score += 50.0 * gd.UfoBonus;
  gd.UfoActive = false;
  imgMotherShip.SetVisible(false);
  lblBonus.SetLeft(gd.UfoX < 0 ? 0 : gd.UfoX);
  lblBonus.SetTop(gd.UfoY);
  lblBonus.SetCaption(std::to_string(50 * gd.UfoBonus));
  lblBonus.SetVisible(true);
  gd.BonusTicks = 20;
  gd.ShotActive = false;
}

void frmMain::ShotHitInvaders() {
  const int x = gd.ShotX, y = gd.ShotY - 9;
  for (int n = 1; n <= gd.InvCount; ++n) {
    if (gd.InvDead[n]) continue;
    if (!(gd.InvX[n] <= x && x <= gd.InvX[n] + 16 && gd.InvY[n] <= y && y <= gd.InvY[n] + 14)) continue;
    if (gd.GameMode == kModePlay) gd.Score += InvaderPoints(gd, n);
    gd.InvDead[n] = true;
    imgInv[n - 1].SetPicture(imgInvader[2].GetPicture());
    PlaySound("invhit.wav");
    gd.Kills = ToInteger(gd.Kills + 1);
    int tempo = Int(timInvader.Interval() * 0.93);
    timInvader.SetInterval(tempo < 50 ? 50 : tempo);
    gd.InvSpeedX = static_cast<Single>(gd.InvSpeedX * 1.07);
    if (gd.RoundNo > 5) gd.InvSpeedX = static_cast<Single>(gd.InvSpeedX * (1 + 0.01 * (gd.RoundNo - 5)));
    Line(gd.ShotX, gd.ShotY, gd.ShotX + 1, gd.ShotY - 7, kBlack);
    gd.ShotActive = false;
    if (gd.Kills == gd.InvCount) {
      RoundCleared();
      // The fresh formation was not where the missile struck: nothing more to hit.
      return;
    }
  }
}

void frmMain::RoundCleared() {
  gd.RoundNo = ToInteger(gd.RoundNo + 1);
  const int r = gd.RoundNo;
  if (r == 10 || r == 20 || r % 50 == 0) gd.Lives = ToInteger(gd.Lives + 1);
  if (mnuEasy.Checked() && r == 20) {
    gd.DoubleBombs = true;
  } else if (mnuMedium.Checked() && r == 10) {
    gd.DoubleBombs = true;
  }
  if (r > 9 && gd.BombSlots < 30) gd.BombSlots = ToInteger(gd.BombSlots + 1);
  if (gd.GameMode == kModePlay) gd.Score += 1000.0 * r;
  StartRound();
}

// Ten 3 x 3 black boxes around the tip; each box draws its X offset, then its Y offset.
void frmMain::CutMissileCrater() {
  for (int i = 0; i < 10; ++i) {
    int dx = Int(Rnd() * 12 - 6);
    int dy = Int(Rnd() * 20 - 12);
    Line(gd.ShotX + dx, gd.ShotY + dy, gd.ShotX + dx + 2, gd.ShotY + dy + 2, kBlack);
  }
}

}  // namespace kv
