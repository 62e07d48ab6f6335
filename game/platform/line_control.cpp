#include "game/platform/line_control.h"

#include <algorithm>

#include "game/platform/canvas.h"

namespace kv {

void LineControl::Design(int x1, int y1, int x2, int y2, Colour colour, bool visible) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  colour_ = colour;
  visible_ = visible;
  UpdateBounds();
}

Rect LineControl::ComputeBounds() const {
  int ox = canvas_ ? canvas_->originX() : 0, oy = canvas_ ? canvas_->originY() : 0;
  int l = std::min(x1_, x2_), t = std::min(y1_, y2_);
  return {l + ox, t + oy, std::max(x1_, x2_) - l + 1, std::max(y1_, y2_) - t + 1};
}

}  // namespace kv
