// The end of a game: the rating, the pause, and back to the title.
#include "game/engine/frmMain.h"

namespace kv {

void frmMain::GameOver() {
  if (gd.GameMode != kModeSwitching) return;
  for (double threshold : {1000.0, 2000.0, 5000.0, 10000.0, 20000.0}) {
    if (gd.Score > threshold) gd.Rating = ToInteger(gd.Rating + 1);
  }
  // Rating only rises, so a value above the last caption holds at it.
  if (gd.Rating > 5) gd.Rating = 5;
  lblGameOver.SetVisible(true);
  lblRating.SetCaption(gd.RatingText[gd.Rating < 0 ? 0 : gd.Rating]);
  lblRating.SetVisible(true);
  lblRating.Refresh();
  Sleep(2000);
  lblGameOver.SetVisible(false);
  lblRating.SetVisible(false);
  Refresh();
  gd.Invasion = 0;
  Form_DblClick();
  ShowTitle();
}

}  // namespace kv
