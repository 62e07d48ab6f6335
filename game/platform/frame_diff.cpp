#include "game/platform/frame_diff.h"

#include <algorithm>
#include <cstring>

namespace kv {

Rect ChangedRect(const std::vector<Colour>& now, const std::vector<Colour>& shown, int width, int height) {
  int top = -1, bottom = -1, left = width, right = -1;
  for (int y = 0; y < height; ++y) {
    const Colour* a = &now[static_cast<size_t>(y) * width];
    const Colour* b = &shown[static_cast<size_t>(y) * width];
    if (std::memcmp(a, b, sizeof(Colour) * width) == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    int l = 0;
    while (a[l] == b[l]) ++l;
    int r = width - 1;
    while (a[r] == b[r]) --r;
    left = std::min(left, l);
    right = std::max(right, r);
  }
  if (top < 0) return {};
  return {left, top, right - left + 1, bottom - top + 1};
}

void CopyRect(const std::vector<Colour>& from, std::vector<Colour>& to, int width, Rect r) {
  for (int y = r.y; y < r.bottom(); ++y) {
    size_t at = static_cast<size_t>(y) * width + r.x;
    std::copy_n(&from[at], r.w, &to[at]);
  }
}

}  // namespace kv
