#pragma once
// Integer rectangles in surface pixels: left/top inclusive, width and height in pixels.
#include <algorithm>
#include <cmath>

namespace kv {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;

  int right() const { return x + w; }    // exclusive
  int bottom() const { return y + h; }   // exclusive
  bool empty() const { return w <= 0 || h <= 0; }
  bool contains(int px, int py) const { return px >= x && px < right() && py >= y && py < bottom(); }
  bool operator==(const Rect&) const = default;
};

inline Rect Intersect(const Rect& a, const Rect& b) {
  int l = std::max(a.x, b.x), t = std::max(a.y, b.y);
  int r = std::min(a.right(), b.right()), btm = std::min(a.bottom(), b.bottom());
  if (r <= l || btm <= t) return {};
  return {l, t, r - l, btm - t};
}

// Fractional positions land on whole pixels by flooring, for drawings, reads and pictures
// alike, so that what is drawn at a position is what a read at that position finds.
inline int ToPixel(double v) {
  double f = std::floor(v);
  if (f < -1e6) return -1000000;
  if (f > 1e6) return 1000000;
  return static_cast<int>(f);
}

}  // namespace kv
