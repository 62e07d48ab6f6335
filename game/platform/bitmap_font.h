#pragma once
// A built-in 5 x 7 bitmap font, scaled by the font's point size. Characters outside ASCII are
// drawn as an empty box; real fonts come from the desktop platform.
#include "game/platform/text_renderer.h"

namespace kv {

class BitmapTextRenderer : public TextRenderer {
 public:
  TextMask Render(const std::string& text, const FontSpec& font, int width, int height,
                  Align align) const override;

  // Pixels per font pixel for a point size (96 dots per inch, capitals about 0.7 em high).
  static int Scale(double points);
};

}  // namespace kv
