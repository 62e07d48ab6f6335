#pragma once
// A line control: a one-pixel line between two points of its canvas, drawn straight across
// (the panel's bevel lines are vertical). Opaque, like a picture.
#include "game/platform/colour.h"
#include "game/platform/control.h"

namespace kv {

class LineControl : public Control {
 public:
  // Corners inclusive, in canvas pixels; the line covers the box between them.
  void Design(int x1, int y1, int x2, int y2, Colour colour, bool visible = true);
  Colour BorderColor() const { return colour_; }

 protected:
  void Paint(Surface& s, const Rect& clip) const override { s.Fill(clip, colour_); }
  Rect ComputeBounds() const override;
  bool Opaque() const override { return true; }

 private:
  int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Colour colour_ = kBlack;
};

}  // namespace kv
