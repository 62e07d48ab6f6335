#include "game/platform/gtk/pango_text.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

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

}  // namespace

struct PangoTextRenderer::Impl {
  PangoFontMap* map = nullptr;
  PangoContext* context = nullptr;

  PangoLayout* Layout(const std::string& text, const FontSpec& font, int width, Align align) const {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      plain += text[i];
    }
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* d = pango_font_description_new();
    // fontconfig's own rules turn "Sans Serif" into the generic sans-serif before any rule of
    // ours sees it, so that family names its font here.
    pango_font_description_set_family(d, font.family == "Sans Serif" ? "Liberation Sans,Sans Serif" : font.family.c_str());
    pango_font_description_set_weight(d, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_size(d, static_cast<int>(font.points * PANGO_SCALE));
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    if (width > 0) pango_layout_set_width(layout, width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_alignment(layout, align == Align::Centre  ? PANGO_ALIGN_CENTER
                                       : align == Align::Right ? PANGO_ALIGN_RIGHT
                                                               : PANGO_ALIGN_LEFT);
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

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* layout = impl_->Layout(text, font, width, align);
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
  return mask;
}

std::string PangoTextRenderer::ResolvedFamily(const std::string& text, const FontSpec& font) const {
  PangoLayout* layout = impl_->Layout(text, font, 0, Align::Left);
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
  PangoLayout* layout = impl_->Layout(text, font, 0, Align::Left);
  int missing = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return missing;
}

}  // namespace kv
