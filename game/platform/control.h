#pragma once
// A lightweight control painted by its canvas (pictures, labels). Any change of a control
// repaints the rectangles it leaves and covers, in z-order, as a windowless control does.
#include <cstddef>

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
  // The rectangle the control covers, in surface pixels; kept up to date on every change,
  // since every repaint asks every control for it.
  Rect Bounds() const { return bounds_; }

 protected:
  friend class Canvas;
  // Paints the part of the control inside clip (surface pixels, within Bounds()).
  virtual void Paint(Surface& s, const Rect& clip) const = 0;
  // An opaque control covers every pixel of its rectangle.
  virtual bool Opaque() const = 0;
  virtual Rect ComputeBounds() const = 0;
  void UpdateBounds() { bounds_ = ComputeBounds(); }

  Canvas* canvas_ = nullptr;
  bool visible_ = false;
  Rect bounds_;
  size_t z_ = 0;  // place in the canvas's z-order
};

}  // namespace kv
