// Invader bombs: release, fall, craters in the bases, and the loss of the cannon.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::MoveBombs() {
  bool anyLive = false;
  for (int n = 1; n <= gd.InvCount && !anyLive; ++n) anyLive = !gd.InvDead[n];

  const int slots = gd.BombSlots;  // the pass keeps its bound even if a game over rebuilds the state
  for (int s = 1; s <= slots && s <= 30; ++s) {
    // A free slot gets a bomb from a live invader chosen uniformly; the formation is never
    // empty during play, and the check only keeps a pass from spinning if it were.
    while (gd.BombX[s] == 0 && anyLive) {
      int n = Int(gd.InvCount * Rnd() + 1);
      if (n < 1 || n > gd.InvCount || gd.InvDead[n]) continue;
      gd.BombX[s] = gd.InvX[n] + 5;
      gd.BombY[s] = gd.InvY[n] + 9;
      gd.BombFall[s] = 1.0f;
    }
    if (gd.BombX[s] == 0) continue;

    Line(gd.BombX[s], gd.BombY[s], gd.BombX[s] + 2, gd.BombY[s] + 5, kBlack);
    gd.BombY[s] += gd.BombFall[s];
    gd.BombFall[s] = static_cast<Single>(gd.BombFall[s] * 1.05);

    if (gd.BombY[s] > 450) {
      gd.BombX[s] = 0;
    } else if (gd.BombY[s] > 320) {
      const double bx = gd.BombX[s], by = gd.BombY[s];
      if (Point(bx, by + 4) != kBlack || Point(bx + 1, by + 3) != kBlack || Point(bx, by + 2) != kBlack) {
        const int w = imgShip.Width();
        if (by + 3 > gd.ShipY && gd.ShipX <= bx && bx <= gd.ShipX + w) {
          DestroyShip(s);
        } else {
          CutBombCrater(s);
          gd.BombX[s] = 0;
        }
      }
    }
    if (gd.BombX[s] != 0) DrawBomb(s);
  }
  gd.BombPhase = !gd.BombPhase;
}

// Six cyan pixels in a zigzag; BombPhase picks which way it leans.
void frmMain::DrawBomb(int s) {
  static constexpr int kLeanTrue[6] = {0, 0, 1, 1, 0, 0};
  const double x = gd.BombX[s], y = gd.BombY[s];
  for (int row = 0; row < 6; ++row) {
    int dx = gd.BombPhase ? kLeanTrue[row] : 1 - kLeanTrue[row];
    PSet(x + dx, y + row, kCyan);
  }
}

// 72 black 2 x 2 boxes around the bomb; each box draws its X offset, then its Y offset.
void frmMain::CutBombCrater(int s) {
  const double x = gd.BombX[s], y = gd.BombY[s];
  for (int i = 0; i < 72; ++i) {
    int dx = Int(Rnd() * 14) - 7;
    int dy = Int(Rnd() * 18) - 9;
    Line(x + dx, y + dy, x + dx + 1, y + dy + 1, kBlack);
  }
}

void frmMain::DestroyShip(int s) {
  PlaySound("hit.wav");
  imgShip.SetVisible(false);
  imgShip1[0].Move(imgShip.Left(), imgShip.Top());
  imgShip1[1].Move(imgShip.Left(), imgShip.Top());
  // The explosion runs as fast as the screen can take the swaps; the game stands still.
  for (int p = 1; p <= 2000; ++p) {
    bool odd = p % 2 == 1;
    imgShip1[0].SetVisible(odd);
    imgShip1[1].SetVisible(!odd);
    imgShip1[0].Refresh();
    imgShip1[1].Refresh();
  }
  imgShip1[0].SetVisible(false);
  imgShip1[1].SetVisible(false);
  Line(gd.ShipX - 15, gd.ShipY - 15, gd.ShipX + 60, gd.ShipY + 60, kBlack);
  if (gd.GameMode == kModePlay) gd.Lives = ToInteger(gd.Lives - 1);
  if (gd.Lives < 1) {
    gd.GameMode = kModeSwitching;
    GameOver();
  }
  gd.BombX[s] = 0;
  gd.ShipX = 1;
  imgShip.SetVisible(true);
}

}  // namespace kv
