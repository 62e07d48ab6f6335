#include "game/platform/surface.h"

#include <algorithm>

namespace kv {

Surface::Surface() : pixels_(static_cast<size_t>(kWidth) * kHeight, kBlack) {}

Colour Surface::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return kOutside;
  return pixels_[static_cast<size_t>(y) * kWidth + x];
}

void Surface::Set(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
  pixels_[static_cast<size_t>(y) * kWidth + x] = c;
}

void Surface::Fill(Rect r, Colour c) {
  r = Intersect(r, bounds());
  for (int y = r.y; y < r.bottom(); ++y) std::fill_n(row(y) + r.x, r.w, c);
}

void Surface::Present() {
  ++presents_;
  if (presenter_) presenter_();
}

}  // namespace kv
