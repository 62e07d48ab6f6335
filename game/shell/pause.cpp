// Pausing play: the timers and the sound hold, the picture freezes under a "PAUSE" caption.
#include <algorithm>

#include "game/engine/frmMain.h"
#include "game/platform/keys.h"

namespace kv {

namespace {

constexpr int kCaptionPad = 12;

// The ink's bounding box in the mask; empty when there is none.
Rect InkBounds(const TextMask& m) {
  int x0 = m.width, y0 = m.height, x1 = -1, y1 = -1;
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      if (m.at(x, y)) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  return x1 < 0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace

// P with a modifier held stays a fire key, as every key with a modifier is.
bool frmMain::IsPauseKey(Integer KeyCode, Integer Shift) {
  return KeyCode == kKeyPause || (KeyCode == kKeyP && Shift == 0);
}

void frmMain::TogglePause() {
  if (paused_) {
    ResumePlay();
  } else {
    PausePlay();
  }
}

void frmMain::PausePlay() {
  if (paused_ || gd.GameMode != kModePlay) return;
  paused_ = true;
  ports_.timers.Hold(true);
  ports_.sound.Hold(true);
  underPause_ = surface.pixels();
  DrawPauseCaption();
  surface.Present();
}

void frmMain::ResumePlay() {
  if (!paused_) return;
  paused_ = false;
  std::copy(underPause_.begin(), underPause_.end(), surface.row(0));
  underPause_.clear();
  surface.Present();
  ports_.sound.Hold(false);
  ports_.timers.Hold(false);
}

// White on a black band, the ink centred on the playfield. It is drawn on the surface alone,
// past every control, and the picture under it comes back whole on resume.
void frmMain::DrawPauseCaption() {
  const FontSpec font{"Arial", 36, true};
  const TextMask m = ports_.text.Render("PAUSE", font, kPlayfieldWidth, 96, Align::Centre);
  const Rect ink = InkBounds(m);
  if (ink.empty()) return;
  const int dx = (kPlayfieldWidth - ink.w) / 2 - ink.x, dy = (ScaleHeight - ink.h) / 2 - ink.y;
  surface.Fill({ink.x + dx - kCaptionPad, ink.y + dy - kCaptionPad, ink.w + 2 * kCaptionPad, ink.h + 2 * kCaptionPad},
               kBlack);
  for (int y = ink.y; y < ink.bottom(); ++y)
    for (int x = ink.x; x < ink.x + ink.w; ++x)
      if (m.at(x, y)) surface.Set(x + dx, y + dy, kWhite);
}

}  // namespace kv
