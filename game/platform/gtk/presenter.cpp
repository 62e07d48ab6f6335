#include "game/platform/gtk/presenter.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "game/platform/frame_diff.h"

namespace kv {

namespace {

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  static_cast<Presenter*>(self)->Draw(cr);
  return TRUE;
}

gboolean OnTick(GtkWidget*, GdkFrameClock*, gpointer self) {
  static_cast<Presenter*>(self)->QueueChanged();
  return G_SOURCE_CONTINUE;
}

// The source pattern maps framebuffer pixels onto the placement, sampled nearest: whole
// scales then give exact squares.
void SetPictureSource(cairo_t* cr, cairo_surface_t* image, int x, int y, int scale) {
  cairo_translate(cr, x, y);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
}

}  // namespace

Presenter::Presenter(Surface& surface)
    : surface_(surface), shown_(surface.pixels().size(), kOutside) {
  // The framebuffer's 0x00RRGGBB words are cairo's RGB24 pixels; no copy is needed.
  image_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(surface.row(0)), CAIRO_FORMAT_RGB24,
                                               Surface::kWidth, Surface::kHeight,
                                               Surface::kWidth * static_cast<int>(sizeof(Colour)));
  area_ = gtk_drawing_area_new();
  gtk_widget_set_size_request(area_, Surface::kWidth, Surface::kHeight);
  gtk_widget_set_halign(area_, GTK_ALIGN_START);
  gtk_widget_set_valign(area_, GTK_ALIGN_START);
  g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
  gtk_widget_add_tick_callback(area_, OnTick, this, nullptr);
}

Presenter::~Presenter() { cairo_surface_destroy(image_); }

void Presenter::SetScale(int scale) {
  scale_ = scale < 1 ? 1 : scale;
  SetFill(false);
}

void Presenter::SetFill(bool fill) {
  fill_ = fill;
  const int s = fill ? 1 : scale_;
  gtk_widget_set_halign(area_, fill ? GTK_ALIGN_FILL : GTK_ALIGN_START);
  gtk_widget_set_valign(area_, fill ? GTK_ALIGN_FILL : GTK_ALIGN_START);
  gtk_widget_set_hexpand(area_, fill);
  gtk_widget_set_vexpand(area_, fill);
  gtk_widget_set_size_request(area_, Surface::kWidth * s, Surface::kHeight * s);
  gtk_widget_queue_draw(area_);
}

Presenter::Placement Presenter::Place() const {
  if (!fill_) return {scale_, 0, 0};
  const int w = gtk_widget_get_allocated_width(area_), h = gtk_widget_get_allocated_height(area_);
  const int s = std::max(1, std::min(w / Surface::kWidth, h / Surface::kHeight));
  return {s, std::max(0, (w - Surface::kWidth * s) / 2), std::max(0, (h - Surface::kHeight * s) / 2)};
}

void Presenter::Draw(cairo_t* cr) {
  cairo_surface_mark_dirty(image_);
  const Placement p = Place();
  if (fill_) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
  }
  cairo_save(cr);
  SetPictureSource(cr, image_, p.x, p.y, p.scale);
  cairo_rectangle(cr, 0, 0, Surface::kWidth, Surface::kHeight);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
  if (clip->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < clip->num_rectangles; ++i) {
      const cairo_rectangle_t& c = clip->rectangles[i];
      // Only framebuffer pixels drawn whole count as shown.
      const int x0 = (static_cast<int>(c.x) - p.x + p.scale - 1) / p.scale;
      const int y0 = (static_cast<int>(c.y) - p.y + p.scale - 1) / p.scale;
      const int x1 = (static_cast<int>(c.x + c.width) - p.x) / p.scale;
      const int y1 = (static_cast<int>(c.y + c.height) - p.y) / p.scale;
      CopyRect(surface_.pixels(), shown_, Surface::kWidth, Intersect({x0, y0, x1 - x0, y1 - y0}, surface_.bounds()));
    }
  } else {
    shown_ = surface_.pixels();
  }
  cairo_rectangle_list_destroy(clip);
}

void Presenter::QueueChanged() {
  Rect r = ChangedRect(surface_.pixels(), shown_, Surface::kWidth, Surface::kHeight);
  if (r.empty()) return;
  const Placement p = Place();
  gtk_widget_queue_draw_area(area_, p.x + r.x * p.scale, p.y + r.y * p.scale, r.w * p.scale, r.h * p.scale);
}

// Paints r of the framebuffer onto the screen outside the frame cycle, through the toplevel.
void Presenter::PaintNow(Rect r) {
  if (r.empty() || !gtk_widget_get_mapped(area_)) return;
  GdkWindow* areaWindow = gtk_widget_get_window(area_);
  GdkWindow* top = gdk_window_get_toplevel(areaWindow);
  int ax, ay, tx, ty;
  gdk_window_get_origin(areaWindow, &ax, &ay);
  gdk_window_get_origin(top, &tx, &ty);
  const Placement p = Place();
  const int dx = ax - tx + p.x, dy = ay - ty + p.y;
  cairo_rectangle_int_t box{dx + r.x * p.scale, dy + r.y * p.scale, r.w * p.scale, r.h * p.scale};
  cairo_region_t* region = cairo_region_create_rectangle(&box);
  GdkDrawingContext* context = gdk_window_begin_draw_frame(top, region);
  cairo_t* cr = gdk_drawing_context_get_cairo_context(context);
  cairo_surface_mark_dirty_rectangle(image_, r.x, r.y, r.w, r.h);
  SetPictureSource(cr, image_, dx, dy, p.scale);
  cairo_rectangle(cr, r.x, r.y, r.w, r.h);
  cairo_fill(cr);
  gdk_window_end_draw_frame(top, context);
  cairo_region_destroy(region);
  CopyRect(surface_.pixels(), shown_, Surface::kWidth, r);
}

void Presenter::Refresh() {
  PaintNow(ChangedRect(surface_.pixels(), shown_, Surface::kWidth, Surface::kHeight));
  gdk_display_flush(gtk_widget_get_display(area_));
  const int64_t due = lastRefresh_ + kMinRefreshMicros;
  int64_t now = g_get_monotonic_time();
  if (now < due) g_usleep(static_cast<gulong>(due - now));
  lastRefresh_ = g_get_monotonic_time();
}

void Presenter::ShowAll() {
  PaintNow(surface_.bounds());
  gdk_display_sync(gtk_widget_get_display(area_));
}

}  // namespace kv
