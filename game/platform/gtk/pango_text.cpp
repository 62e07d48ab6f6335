#include "game/platform/gtk/pango_text.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>

namespace kv {

const char* FontAliasRules() {
  return R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <alias binding="same"><family>UI Gothic</family>
    <prefer><family>IPAPGothic</family><family>IPAGothic</family></prefer></alias>
  <alias binding="same"><family>Arial</family>
    <prefer><family>Liberation Sans</family></prefer></alias>
</fontconfig>
)";
}

namespace {

FcConfig* GameFontConfig() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config) FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(FontAliasRules()), FcFalse);
  return config;
}

void SetFont(PangoLayout* layout, const FontSpec& font, double points, bool bold) {
  PangoFontDescription* d = pango_font_description_new();
  // fontconfig's own rules turn "Sans Serif" into the generic sans-serif before any rule of
  // ours sees it, so that family names its font here.
  pango_font_description_set_family(d, font.family == "Sans Serif" ? "Liberation Sans,Sans Serif" : font.family.c_str());
  pango_font_description_set_weight(d, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_size(d, static_cast<int>(points * PANGO_SCALE));
  pango_layout_set_font_description(layout, d);
  pango_font_description_free(d);
}

// In Pango units: the layout wraps at the width it is given in those units.
int LogicalWidth(PangoLayout* layout) {
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  return logical.width;
}

// A face without a bold of its own is emboldened by fontconfig's rules, which thicken strokes
// in both directions and so close the gaps of small glyphs ("!" turns into "l").
bool EmboldenedByFontconfig(PangoLayout* layout) {
  bool emboldened = false;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  if (PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it)) {
    if (PANGO_IS_FC_FONT(run->item->analysis.font)) {
      FcBool embolden = FcFalse;
      FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(run->item->analysis.font));
      emboldened = FcPatternGetBool(pattern, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden;
    }
  }
  pango_layout_iter_free(it);
  return emboldened;
}

// A caption is never wrapped: a line wider than the room is set in a smaller size until it
// fits, so that all of it shows on its own line inside the label.
void FitToWidth(PangoLayout* layout, const FontSpec& font, bool bold, int room) {
  double points = font.points;
  for (int tries = 0; tries < 40 && room > 0; ++tries) {
    const int width = LogicalWidth(layout);
    if (width <= room * PANGO_SCALE || points <= 1) return;
    points = std::max(1.0, std::min(points - 0.25, points * room * PANGO_SCALE / width));
    SetFont(layout, font, points, bold);
  }
}

// Overstrikes every ink pixel once to its right: bold for a face that has none, strokes
// widened sideways only.
void Overstrike(TextMask& mask) {
  for (int y = 0; y < mask.height; ++y)
    for (int x = mask.width - 1; x > 0; --x)
      if (mask.at(x - 1, y)) mask.ink[static_cast<size_t>(y) * mask.width + x] = 1;
}

}  // namespace

struct PangoTextRenderer::Impl {
  PangoFontMap* map = nullptr;
  PangoContext* context = nullptr;

  // One line per line of the caption, in the font as asked for.
  PangoLayout* Layout(const std::string& text, const FontSpec& font) const {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      plain += text[i];
    }
    PangoLayout* layout = pango_layout_new(context);
    SetFont(layout, font, font.points, font.bold);
    pango_layout_set_text(layout, plain.c_str(), -1);
    return layout;
  }
};

PangoTextRenderer::PangoTextRenderer() : impl_(std::make_unique<Impl>()) {
  impl_->map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  if (FcConfig* config = GameFontConfig()) {
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(impl_->map), config);
    FcConfigDestroy(config);  // the font map holds its own reference
  }
  impl_->context = pango_font_map_create_context(impl_->map);
  // Screen points at 96 pixels per inch; whole-pixel ink with no blended edges.
  pango_cairo_context_set_resolution(impl_->context, 96);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(impl_->context, options);
  cairo_font_options_destroy(options);
}

PangoTextRenderer::~PangoTextRenderer() {
  g_object_unref(impl_->context);
  g_object_unref(impl_->map);
}

TextMask PangoTextRenderer::Render(const std::string& text, const FontSpec& font, int width, int height,
                                   Align align) const {
  TextMask mask;
  if (width <= 0 || height <= 0) return mask;
  mask.width = width;
  mask.height = height;
  mask.ink.assign(static_cast<size_t>(width) * height, 0);
  if (text.empty()) return mask;

  PangoLayout* layout = impl_->Layout(text, font);
  const bool overstrike = font.bold && EmboldenedByFontconfig(layout);
  const bool bold = font.bold && !overstrike;
  if (overstrike) {
    // The regular face, one pixel further apart, widened by one pixel afterwards.
    SetFont(layout, font, font.points, false);
    PangoAttrList* spacing = pango_attr_list_new();
    pango_attr_list_insert(spacing, pango_attr_letter_spacing_new(PANGO_SCALE));
    pango_layout_set_attributes(layout, spacing);
    pango_attr_list_unref(spacing);
  }
  const int room = overstrike ? width - 1 : width;
  FitToWidth(layout, font, bold, room);
  if (room > 0) pango_layout_set_width(layout, room * PANGO_SCALE);
  pango_layout_set_alignment(layout, align == Align::Centre  ? PANGO_ALIGN_CENTER
                                     : align == Align::Right ? PANGO_ALIGN_RIGHT
                                                             : PANGO_ALIGN_LEFT);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  pango_cairo_show_layout(cr, layout);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) mask.ink[static_cast<size_t>(y) * width + x] = data[y * stride + x] >= 128;
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  if (overstrike) Overstrike(mask);
  return mask;
}

std::string PangoTextRenderer::ResolvedFamily(const std::string& text, const FontSpec& font) const {
  PangoLayout* layout = impl_->Layout(text, font);
  std::string family;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  if (PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it)) {
    PangoFontDescription* d = pango_font_describe(run->item->analysis.font);
    if (const char* f = pango_font_description_get_family(d)) family = f;
    pango_font_description_free(d);
  }
  pango_layout_iter_free(it);
  g_object_unref(layout);
  return family;
}

int PangoTextRenderer::MissingGlyphs(const std::string& text, const FontSpec& font) const {
  PangoLayout* layout = impl_->Layout(text, font);
  int missing = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return missing;
}

}  // namespace kv
