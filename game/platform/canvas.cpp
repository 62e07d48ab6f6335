#include "game/platform/canvas.h"

#include <algorithm>

namespace kv {

namespace {

// The parts of a that b does not cover, as up to four rectangles.
int Subtract(const Rect& a, const Rect& b, Rect out[4]) {
  Rect i = Intersect(a, b);
  if (i.empty()) {
    out[0] = a;
    return 1;
  }
  int n = 0;
  if (i.y > a.y) out[n++] = {a.x, a.y, a.w, i.y - a.y};
  if (i.bottom() < a.bottom()) out[n++] = {a.x, i.bottom(), a.w, a.bottom() - i.bottom()};
  if (i.x > a.x) out[n++] = {a.x, i.y, i.x - a.x, i.h};
  if (i.right() < a.right()) out[n++] = {i.right(), i.y, a.right() - i.right(), i.h};
  return n;
}

}  // namespace

Canvas::Canvas(Surface& surface, int originX, int originY, Rect visible, TextRenderer& text)
    : surface_(surface), ox_(originX), oy_(originY), visible_(Intersect(visible, surface.bounds())),
      text_(text) {}

void Canvas::Add(Control& c) {
  c.canvas_ = this;
  c.UpdateBounds();
  c.z_ = controls_.size();
  controls_.push_back(&c);
  if (c.Visible()) Invalidate(c.Bounds());
}

void Canvas::FillBox(double x1, double y1, double x2, double y2, Colour c) {
  int l = ToPixel(std::min(x1, x2)) + ox_, r = ToPixel(std::max(x1, x2)) + ox_;
  int t = ToPixel(std::min(y1, y2)) + oy_, b = ToPixel(std::max(y1, y2)) + oy_;
  surface_.Fill(Intersect({l, t, r - l + 1, b - t + 1}, visible_), c);
}

void Canvas::PSet(double x, double y, Colour c) {
  int px = ToPixel(x) + ox_, py = ToPixel(y) + oy_;
  if (visible_.contains(px, py)) surface_.Set(px, py, c);
}

Colour Canvas::Point(double x, double y) const { return surface_.Get(ToPixel(x) + ox_, ToPixel(y) + oy_); }

void Canvas::Cls() { Invalidate(visible_); }

void Canvas::Refresh() {
  Invalidate(visible_);
  surface_.Present();
}

void Canvas::Invalidate(const Rect& area) {
  Rect r = Intersect(area, visible_);
  if (r.empty()) return;
  surface_.Fill(r, back_);
  for (Control* c : controls_) {
    if (!c->Visible()) continue;
    Rect part = Intersect(c->Bounds(), r);
    if (!part.empty()) c->Paint(surface_, part);
  }
}

void Canvas::PaintAbove(const Control& c, const Rect& r) {
  for (size_t i = c.z_ + 1; i < controls_.size(); ++i) {
    const Control* above = controls_[i];
    if (!above->Visible()) continue;
    Rect part = Intersect(above->Bounds(), r);
    if (!part.empty()) above->Paint(surface_, part);
  }
}

void Canvas::Changed(Control& c, const Rect& before, bool contentChanged) {
  Rect after = c.Visible() ? c.Bounds() : Rect{};
  if (!contentChanged && before == after) return;
  if (!c.Opaque()) {
    Invalidate(before);
    Invalidate(after);
    return;
  }
  // An opaque control hides whatever lies below it, so only the area it left needs the
  // background and the controls there; its own rectangle needs itself and what lies above.
  if (!before.empty()) {
    Rect strips[4];
    int n = after.empty() ? (strips[0] = before, 1) : Subtract(before, after, strips);
    for (int i = 0; i < n; ++i) Invalidate(strips[i]);
  }
  Rect shown = Intersect(after, visible_);
  if (shown.empty()) return;
  c.Paint(surface_, shown);
  PaintAbove(c, shown);
}

}  // namespace kv
