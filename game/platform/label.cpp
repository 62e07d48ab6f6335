#include "game/platform/label.h"

#include "game/platform/canvas.h"

namespace kv {

void Label::Design(const LabelDesign& d) {
  design_ = d;
  left_ = d.left;
  top_ = d.top;
  visible_ = d.visible;
  maskValid_ = false;
  UpdateBounds();
}

template <typename F>
void Label::Change(F&& f) {
  Rect before = visible_ ? Bounds() : Rect{};
  f();
  UpdateBounds();
  if (canvas_) canvas_->Changed(*this, before, true);
}

void Label::SetCaption(const std::string& caption) {
  if (caption == design_.caption) return;
  Change([&] {
    design_.caption = caption;
    maskValid_ = false;
  });
}

void Label::SetVisible(bool v) {
  if (v != visible_) Change([&] { visible_ = v; });
}

void Label::SetLeft(double left) {
  if (left != left_) Change([&] { left_ = left; });
}

void Label::SetTop(double top) {
  if (top != top_) Change([&] { top_ = top; });
}

void Label::Refresh() {
  if (canvas_) canvas_->surface().Present();
}

Rect Label::ComputeBounds() const {
  int ox = canvas_ ? canvas_->originX() : 0, oy = canvas_ ? canvas_->originY() : 0;
  return {ToPixel(left_) + ox, ToPixel(top_) + oy, design_.width, design_.height};
}

void Label::Paint(Surface& s, const Rect& clip) const {
  if (!canvas_) return;
  if (!maskValid_) {
    mask_ = canvas_->text().Render(design_.caption, design_.font, design_.width, design_.height, design_.align);
    maskValid_ = true;
  }
  Rect b = Bounds();
  if (!design_.transparent) s.Fill(clip, design_.backColor);
  for (int y = clip.y; y < clip.bottom(); ++y) {
    int my = y - b.y;
    if (my >= mask_.height) break;
    for (int x = clip.x; x < clip.right(); ++x) {
      int mx = x - b.x;
      if (mx < mask_.width && mask_.at(mx, my)) s.Set(x, y, design_.foreColor);
    }
  }
}

}  // namespace kv
