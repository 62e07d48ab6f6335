#pragma once
// Port: turns a caption into ink pixels for a label's rectangle. Ink is all-or-nothing so that
// labels show their exact colours (no blended fringes where the engine reads pixels).
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

enum class Align { Left, Centre, Right };

struct FontSpec {
  std::string family;
  double points = 12;
  bool bold = false;
};

struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;  // 1 where the text has ink, row-major

  bool at(int x, int y) const { return ink[static_cast<size_t>(y) * width + x] != 0; }
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Lines are separated by "\r\n"; the text is laid out from the top of the rectangle. A line is
  // never wrapped nor cut: one wider than the rectangle is drawn smaller until it fits.
  virtual TextMask Render(const std::string& text, const FontSpec& font, int width, int height,
                          Align align) const = 0;
};

}  // namespace kv
