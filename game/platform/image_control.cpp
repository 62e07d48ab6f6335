#include "game/platform/image_control.h"

#include <algorithm>

#include "game/platform/canvas.h"

namespace kv {

Rect ImageControl::ComputeBounds() const {
  int ox = canvas_ ? canvas_->originX() : 0, oy = canvas_ ? canvas_->originY() : 0;
  return {ToPixel(left_) + ox, ToPixel(top_) + oy, Width(), Height()};
}

void ImageControl::Apply(Picture p, double left, double top, bool visible) {
  Rect before = visible_ ? Bounds() : Rect{};
  bool content = p != picture_ || visible != visible_;
  picture_ = std::move(p);
  left_ = left;
  top_ = top;
  visible_ = visible;
  UpdateBounds();
  if (canvas_) canvas_->Changed(*this, before, content);
}

void ImageControl::SetVisible(bool v) {
  if (v != visible_) Apply(picture_, left_, top_, v);
}

void ImageControl::SetPicture(Picture p) { Apply(std::move(p), left_, top_, visible_); }

void ImageControl::Move(double left, double top) { Apply(picture_, left, top, visible_); }

void ImageControl::Refresh() {
  if (canvas_) canvas_->surface().Present();
}

void ImageControl::Paint(Surface& s, const Rect& clip) const {
  if (!picture_) return;
  Rect b = Bounds();
  for (int y = clip.y; y < clip.bottom(); ++y) {
    const Colour* src = &picture_->pixels[static_cast<size_t>(y - b.y) * picture_->width + (clip.x - b.x)];
    std::copy_n(src, clip.w, s.row(y) + clip.x);
  }
}

}  // namespace kv
