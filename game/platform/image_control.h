#pragma once
// A picture control: shows its picture at (Left, Top), sized as the picture, opaque.
#include "game/platform/control.h"
#include "game/platform/picture.h"

namespace kv {

class ImageControl : public Control {
 public:
  void SetVisible(bool v);
  void SetPicture(Picture p);
  const Picture& GetPicture() const { return picture_; }
  void Move(double left, double top);
  void SetLeft(double left) { Move(left, top_); }
  void SetTop(double top) { Move(left_, top); }
  double Left() const { return left_; }
  double Top() const { return top_; }
  int Width() const { return picture_ ? picture_->width : 0; }
  int Height() const { return picture_ ? picture_->height : 0; }
  void Refresh();  // puts the current picture on the screen now

 protected:
  void Paint(Surface& s, const Rect& clip) const override;
  Rect ComputeBounds() const override;
  bool Opaque() const override { return true; }

 private:
  void Apply(Picture p, double left, double top, bool visible);

  Picture picture_;
  double left_ = 0, top_ = 0;
};

}  // namespace kv
