#pragma once
// A region of the surface with a background colour and z-ordered controls: the form's
// playfield or the side panel. Drawings land on the surface and stay until something paints
// over them: a later drawing, Cls or Refresh, or a control that changes.
#include <vector>

#include "game/platform/colour.h"
#include "game/platform/control.h"
#include "game/platform/surface.h"

namespace kv {

class TextRenderer;

class Canvas {
 public:
  // origin: where the canvas's (0, 0) lies on the surface; visible: the part of the surface
  // the canvas shows (a child window on top takes the rest).
  Canvas(Surface& surface, int originX, int originY, Rect visible, TextRenderer& text);

  void Add(Control& c);  // placed on top of the controls added before
  Surface& surface() { return surface_; }
  TextRenderer& text() { return text_; }
  int originX() const { return ox_; }
  int originY() const { return oy_; }
  void SetBackColor(Colour c) { back_ = c; }
  Colour BackColor() const { return back_; }

  // Drawing, in canvas pixels; corners inclusive, in either order.
  void FillBox(double x1, double y1, double x2, double y2, Colour c);
  void PSet(double x, double y, Colour c);
  // What the screen shows at that point; kOutside beyond the client area.
  Colour Point(double x, double y) const;

  void Cls();      // wipes every drawing; the shown controls are painted again, whole
  void Refresh();  // the same, then puts the picture on the screen

  // Called by controls after a change; before is the rectangle shown until now (or empty).
  void Changed(Control& c, const Rect& before, bool contentChanged);
  // Background then every visible control, in z-order, inside r (surface pixels).
  void Invalidate(const Rect& r);

 private:
  void PaintAbove(const Control& c, const Rect& r);

  Surface& surface_;
  int ox_, oy_;
  Rect visible_;
  TextRenderer& text_;
  Colour back_ = kBlack;
  std::vector<Control*> controls_;
};

}  // namespace kv
