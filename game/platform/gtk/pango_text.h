#pragma once
// Captions on real fonts through fontconfig and Pango. The game's families map to installed
// fonts: "UI Gothic" to a Japanese gothic, "Arial" and "Sans Serif" to a metric-compatible
// sans. Glyphs are rendered without antialiasing so the ink is all-or-nothing. Bold in a face
// that has no bold is drawn as the screen has always drawn it: the regular face overstruck
// one pixel to the right.
#include <memory>
#include <string>

#include "game/platform/text_renderer.h"

namespace kv {

class PangoTextRenderer : public TextRenderer {
 public:
  PangoTextRenderer();
  ~PangoTextRenderer() override;
  PangoTextRenderer(const PangoTextRenderer&) = delete;
  PangoTextRenderer& operator=(const PangoTextRenderer&) = delete;

  TextMask Render(const std::string& text, const FontSpec& font, int width, int height,
                  Align align) const override;

  // What a caption would be drawn with: the font family of its first character, and how many
  // of its characters have no glyph in any installed font.
  std::string ResolvedFamily(const std::string& text, const FontSpec& font) const;
  int MissingGlyphs(const std::string& text, const FontSpec& font) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The fontconfig rules behind the game's families.
const char* FontAliasRules();

}  // namespace kv
