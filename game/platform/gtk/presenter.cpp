#include "game/platform/gtk/presenter.h"

#include <gtk/gtk.h>

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

void Presenter::Draw(cairo_t* cr) {
  cairo_surface_mark_dirty(image_);
  cairo_set_source_surface(cr, image_, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
  if (clip->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < clip->num_rectangles; ++i) {
      const cairo_rectangle_t& c = clip->rectangles[i];
      Rect r{static_cast<int>(c.x), static_cast<int>(c.y), static_cast<int>(c.width), static_cast<int>(c.height)};
      CopyRect(surface_.pixels(), shown_, Surface::kWidth, Intersect(r, surface_.bounds()));
    }
  } else {
    shown_ = surface_.pixels();
  }
  cairo_rectangle_list_destroy(clip);
}

void Presenter::QueueChanged() {
  Rect r = ChangedRect(surface_.pixels(), shown_, Surface::kWidth, Surface::kHeight);
  if (!r.empty()) gtk_widget_queue_draw_area(area_, r.x, r.y, r.w, r.h);
}

// Paints r of the framebuffer onto the screen outside the frame cycle, through the toplevel.
void Presenter::PaintNow(Rect r) {
  if (r.empty() || !gtk_widget_get_mapped(area_)) return;
  GdkWindow* areaWindow = gtk_widget_get_window(area_);
  GdkWindow* top = gdk_window_get_toplevel(areaWindow);
  int ax, ay, tx, ty;
  gdk_window_get_origin(areaWindow, &ax, &ay);
  gdk_window_get_origin(top, &tx, &ty);
  const int dx = ax - tx, dy = ay - ty;
  cairo_rectangle_int_t box{r.x + dx, r.y + dy, r.w, r.h};
  cairo_region_t* region = cairo_region_create_rectangle(&box);
  GdkDrawingContext* context = gdk_window_begin_draw_frame(top, region);
  cairo_t* cr = gdk_drawing_context_get_cairo_context(context);
  cairo_surface_mark_dirty_rectangle(image_, r.x, r.y, r.w, r.h);
  cairo_set_source_surface(cr, image_, dx, dy);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, box.x, box.y, box.width, box.height);
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
