#include "game/platform/gtk/screen_mode.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>

#include "game/platform/surface.h"

namespace kv {

namespace {

// Room for a window manager's title bar and borders, unknown before the window is shown.
constexpr int kFrameAllowance = 48;
constexpr unsigned kPointerHideMs = 1500;

gboolean OnPointerIdle(gpointer self) {
  static_cast<ScreenMode*>(self)->HidePointer();
  return G_SOURCE_REMOVE;
}

gboolean OnMotion(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<ScreenMode*>(self)->PointerMoved();
  return FALSE;
}

GdkMonitor* MonitorOf(GtkWidget* window) {
  GdkDisplay* d = gtk_widget_get_display(window);
  if (GdkWindow* w = gtk_widget_get_window(window)) return gdk_display_get_monitor_at_window(d, w);
  if (GdkMonitor* m = gdk_display_get_primary_monitor(d)) return m;
  return gdk_display_get_monitor(d, 0);
}

// Without a window manager that does fullscreen (a bare X session) the window covers the
// monitor itself.
bool WindowManagerDoesFullscreen(GtkWidget* window) {
  GdkDisplay* d = gtk_widget_get_display(window);
  if (!GDK_IS_X11_DISPLAY(d)) return true;
  return gdk_x11_screen_supports_net_wm_hint(gdk_display_get_default_screen(d),
                                             gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN"));
}

void SetPointer(GtkWidget* widget, const char* name) {
  GdkWindow* w = gtk_widget_get_window(widget);
  if (!w) return;
  GdkCursor* c = name ? gdk_cursor_new_from_name(gtk_widget_get_display(widget), name) : nullptr;
  gdk_window_set_cursor(w, c);
  if (c) g_object_unref(c);
}

}  // namespace

ScreenMode::Command ScreenMode::CommandFor(unsigned keyval, unsigned state) {
  const bool ctrl = state & GDK_CONTROL_MASK, alt = state & GDK_MOD1_MASK;
  if (keyval == GDK_KEY_F11 && !ctrl && !alt) return Command::Fullscreen;
  if ((keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter) && alt && !ctrl) return Command::Fullscreen;
  if (!ctrl || alt) return Command::Other;
  switch (keyval) {
    case GDK_KEY_plus: case GDK_KEY_equal: case GDK_KEY_KP_Add: return Command::Larger;
    case GDK_KEY_minus: case GDK_KEY_underscore: case GDK_KEY_KP_Subtract: return Command::Smaller;
    case GDK_KEY_0: case GDK_KEY_KP_0: case GDK_KEY_KP_Insert: return Command::Reset;
    default: return Command::Other;
  }
}

ScreenMode::ScreenMode(GtkWidget* window, GtkWidget* menuBar, Presenter& presenter,
                       std::function<void(int, bool)> changed)
    : window_(window), menuBar_(menuBar), presenter_(presenter), changed_(std::move(changed)) {
  gtk_widget_add_events(presenter_.widget(), GDK_POINTER_MOTION_MASK);
  g_signal_connect(presenter_.widget(), "motion-notify-event", G_CALLBACK(OnMotion), this);
}

ScreenMode::~ScreenMode() {
  if (pointerTimer_) g_source_remove(pointerTimer_);
}

int ScreenMode::FitScale() const {
  GdkMonitor* m = MonitorOf(window_);
  if (!m) return 1;
  GdkRectangle area;
  gdk_monitor_get_workarea(m, &area);
  int menu = 0;
  gtk_widget_get_preferred_height(menuBar_, nullptr, &menu);
  const int byWidth = area.width / Surface::kWidth;
  const int byHeight = (area.height - menu - kFrameAllowance) / Surface::kHeight;
  return std::max(1, std::min(byWidth, byHeight));
}

void ScreenMode::Start(int scale, bool fullscreen) {
  chosen_ = scale > 0;
  scale_ = chosen_ ? std::min(scale, FitScale()) : FitScale();
  presenter_.SetScale(scale_);
  if (fullscreen) SetFullscreen(true);
}

void ScreenMode::Run(Command c) {
  switch (c) {
    case Command::Other: return;
    case Command::Fullscreen: SetFullscreen(!fullscreen_); break;
    case Command::Larger: scale_ = std::min(scale_ + 1, std::max(scale_, FitScale())); break;
    case Command::Smaller: scale_ = std::max(1, scale_ - 1); break;
    case Command::Reset: scale_ = 1; break;
  }
  if (c != Command::Fullscreen) {
    chosen_ = true;
    // In fullscreen the picture stays as large as it fits; the scale is the window's.
    if (!fullscreen_) presenter_.SetScale(scale_);
  }
  Notify();
}

void ScreenMode::SetFullscreen(bool on) {
  if (on == fullscreen_) return;
  fullscreen_ = on;
  GtkWindow* w = GTK_WINDOW(window_);
  if (on) {
    byWindowManager_ = WindowManagerDoesFullscreen(window_);
    gtk_widget_hide(menuBar_);
    presenter_.SetFill(true);
    gtk_window_set_resizable(w, TRUE);
    if (byWindowManager_) {
      gtk_window_fullscreen(w);
    } else {
      GdkRectangle g;
      gdk_monitor_get_geometry(MonitorOf(window_), &g);
      gtk_window_get_position(w, &savedX_, &savedY_);
      gtk_window_move(w, g.x, g.y);
      gtk_window_resize(w, g.width, g.height);
    }
    PointerMoved();
  } else {
    if (byWindowManager_) {
      gtk_window_unfullscreen(w);
    } else {
      gtk_window_move(w, savedX_, savedY_);
    }
    gtk_widget_show(menuBar_);
    presenter_.SetScale(scale_);
    gtk_window_resize(w, 1, 1);  // back to the picture's own size
    gtk_window_set_resizable(w, FALSE);
    if (pointerTimer_) g_source_remove(pointerTimer_);
    pointerTimer_ = 0;
    SetPointer(presenter_.widget(), nullptr);
  }
}

void ScreenMode::FollowWindowManager(bool fullscreen) {
  if (fullscreen == fullscreen_ || !WindowManagerDoesFullscreen(window_)) return;
  SetFullscreen(fullscreen);
  Notify();
}

void ScreenMode::PointerMoved() {
  if (!fullscreen_) return;
  SetPointer(presenter_.widget(), nullptr);
  if (pointerTimer_) g_source_remove(pointerTimer_);
  pointerTimer_ = g_timeout_add(kPointerHideMs, OnPointerIdle, this);
}

void ScreenMode::HidePointer() {
  pointerTimer_ = 0;
  if (fullscreen_) SetPointer(presenter_.widget(), "none");
}

void ScreenMode::Notify() {
  if (changed_) changed_(chosen_ ? scale_ : 0, fullscreen_);
}

}  // namespace kv
