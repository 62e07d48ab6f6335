#pragma once
// A lightweight control painted by its canvas (pictures, labels). Any change of a control
// repaints the rectangles it leaves and covers, in z-order, as a windowless control does.
#include "game/platform/rect.h"
#include "game/platform/surface.h"

namespace kv {

class Canvas;

class Control {
 public:
  virtual ~Control() = default;
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  bool Visible() const { return visible_; }
  // The rectangle the control covers, in surface pixels.
  virtual Rect Bounds() const = 0;

 protected:
  friend class Canvas;
  // Paints the part of the control inside clip (surface pixels, within Bounds()).
  virtual void Paint(Surface& s, const Rect& clip) const = 0;
  // An opaque control covers every pixel of its rectangle.
  virtual bool Opaque() const = 0;

  Canvas* canvas_ = nullptr;
  bool visible_ = false;
};

}  // namespace kv
