#pragma once
// A label: a caption in one colour, on a transparent or a solid background.
#include <string>

#include "game/platform/control.h"
#include "game/platform/text_renderer.h"

namespace kv {

struct LabelDesign {
  std::string caption;
  int left = 0, top = 0, width = 0, height = 0;
  FontSpec font;
  Colour foreColor = kWhite;
  Colour backColor = kBlack;
  bool transparent = false;
  Align align = Align::Left;
  bool visible = false;
};

class Label : public Control {
 public:
  void Design(const LabelDesign& d);  // before the label is added to its canvas

  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return design_.caption; }
  void SetVisible(bool v);
  void SetLeft(double left);
  void SetTop(double top);
  double Left() const { return left_; }
  double Top() const { return top_; }
  const LabelDesign& design() const { return design_; }
  void Refresh();

 protected:
  void Paint(Surface& s, const Rect& clip) const override;
  Rect ComputeBounds() const override;
  bool Opaque() const override { return !design_.transparent; }

 private:
  template <typename F>
  void Change(F&& f);

  LabelDesign design_;
  double left_ = 0, top_ = 0;
  mutable TextMask mask_;
  mutable bool maskValid_ = false;
};

}  // namespace kv
