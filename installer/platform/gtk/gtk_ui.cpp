#include "installer/platform/gtk/gtk_ui.h"

#include <algorithm>

#include "common/toolkit/system_data_dirs.h"
#include "installer/platform/gtk/dialog_kit.h"

namespace platform {

namespace {

// The progress window's client area and controls, in pixels.
constexpr int CLIENT_WIDTH = 214;  // 220 x 100 with a classic frame and caption
constexpr int CLIENT_HEIGHT = 74;
constexpr int POINTER_OFFSET_X = -110;  // centred on the pointer...
constexpr int POINTER_OFFSET_Y = 32;    // ...just below it
constexpr char ABORT_TEXT[] = "中止";

gboolean post_close(GtkWidget*, GdkEvent*, gpointer queue) {
  static_cast<MessageQueue*>(queue)->post({POSTED_CLOSE, 0, 0});
  return TRUE;  // the window procedure destroys the window
}

void post_abort(GtkButton*, gpointer queue) {
  static_cast<MessageQueue*>(queue)->post({POSTED_COMMAND, ABORT_BUTTON_ID, 0});
}

GtkWidget* put(GtkWidget* fixed, GtkWidget* control, int x, int y, int width, int height) {
  gtk_widget_set_size_request(control, width, height);
  gtk_fixed_put(GTK_FIXED(fixed), control, x, y);
  return control;
}

}  // namespace

std::unique_ptr<GtkUi> GtkUi::open() {
  kv::toolkit::give_toolkit_system_data_dirs();
  if (!gtk_init_check(nullptr, nullptr)) return nullptr;
  install_installer_style();
  return std::unique_ptr<GtkUi>(new GtkUi());
}

GtkUi::~GtkUi() { destroy_window(); }

bool GtkUi::create_window(const std::string& caption) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  make_fixed_frame(window_);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_NORMAL);
  gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, CLIENT_WIDTH, CLIENT_HEIGHT);
  gtk_container_add(GTK_CONTAINER(window_), fixed);

  status_ = put(fixed, gtk_label_new(""), 7, 5, 200, 15);
  gtk_label_set_xalign(GTK_LABEL(status_), 0.0f);
  gtk_label_set_ellipsize(GTK_LABEL(status_), PANGO_ELLIPSIZE_END);  // a long name keeps the line
  bar_ = put(fixed, gtk_progress_bar_new(), 7, 23, 200, 20);
  GtkWidget* abort = put(fixed, gtk_button_new_with_label(ABORT_TEXT), 65, 50, 88, 19);

  g_signal_connect(window_, "delete-event", G_CALLBACK(post_close), &queue_);
  g_signal_connect(abort, "clicked", G_CALLBACK(post_abort), &queue_);
  gtk_widget_show_all(fixed);  // the window itself stays hidden until show_window
  place_below_pointer();
  return true;
}

// Top-left at the pointer's x - 110, y + 32, moved in where the window would leave the screen.
void GtkUi::place_below_pointer() {
  GdkDisplay* display = gdk_display_get_default();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  int x = 0, y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  GdkRectangle area{0, 0, 0, 0};
  if (GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, x, y))
    gdk_monitor_get_workarea(monitor, &area);
  int left = x + POINTER_OFFSET_X, top = y + POINTER_OFFSET_Y;
  if (area.width > CLIENT_WIDTH && area.height > CLIENT_HEIGHT) {
    left = std::clamp(left, area.x, area.x + area.width - CLIENT_WIDTH);
    top = std::clamp(top, area.y, area.y + area.height - CLIENT_HEIGHT);
  }
  gtk_window_move(GTK_WINDOW(window_), left, top);
}

void GtkUi::set_caption(const std::string& caption) {
  if (window_) gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
}

void GtkUi::show_window() {
  if (window_) gtk_window_present(GTK_WINDOW(window_));
}

void GtkUi::set_status(const std::string& text) {
  if (status_) gtk_label_set_text(GTK_LABEL(status_), text.c_str());
}

void GtkUi::set_progress(uint32_t percent) {
  if (bar_) gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar_), std::min(percent, 100u) / 100.0);
}

void GtkUi::destroy_window() {
  if (!window_) return;
  gtk_widget_destroy(window_);
  window_ = status_ = bar_ = nullptr;
}

bool GtkUi::open_document(const std::string& path) {
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return false;
  bool opened = gtk_show_uri_on_window(main_window(), uri, GDK_CURRENT_TIME, nullptr);
  g_free(uri);
  return opened;
}

}  // namespace platform
