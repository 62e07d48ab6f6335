#pragma once
// The software framebuffer of the whole client area. Both platforms draw into it; the desktop
// only shows it. Presenting (putting the current picture on the screen) is the platform's.
#include <cstdint>
#include <functional>
#include <vector>

#include "game/platform/colour.h"
#include "game/platform/rect.h"

namespace kv {

class Surface {
 public:
  static constexpr int kWidth = 794;
  static constexpr int kHeight = 436;

  Surface();

  Colour Get(int x, int y) const;  // kOutside beyond the client area
  void Set(int x, int y, Colour c);
  void Fill(Rect r, Colour c);     // clipped to the client area
  const std::vector<Colour>& pixels() const { return pixels_; }
  Colour* row(int y) { return &pixels_[static_cast<size_t>(y) * kWidth]; }
  Rect bounds() const { return {0, 0, kWidth, kHeight}; }

  // Put the current picture on the screen now (a control's or the form's Refresh).
  void Present();
  void SetPresenter(std::function<void()> presenter) { presenter_ = std::move(presenter); }
  uint64_t presents() const { return presents_; }

 private:
  std::vector<Colour> pixels_;
  std::function<void()> presenter_;
  uint64_t presents_ = 0;
};

}  // namespace kv
