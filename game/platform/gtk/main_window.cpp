#include "game/platform/gtk/main_window.h"

#include <gtk/gtk.h>

#include "game/platform/gtk/keymap.h"
#include "game/platform/keys.h"

namespace kv {

namespace {

gboolean OnKeyPress(GtkWidget*, GdkEventKey* e, gpointer self) {
  return static_cast<MainWindow*>(self)->Key(*e, true);
}

gboolean OnKeyRelease(GtkWidget*, GdkEventKey* e, gpointer self) {
  return static_cast<MainWindow*>(self)->Key(*e, false);
}

gboolean OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer self) {
  if (e->type == GDK_2BUTTON_PRESS && e->button == 1) static_cast<MainWindow*>(self)->DoubleClick();
  return TRUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<MainWindow*>(self)->CloseBox();
  return TRUE;  // the program ends the window itself, after the form has unloaded
}

void OnActiveChanged(GObject*, GParamSpec*, gpointer self) { static_cast<MainWindow*>(self)->ActiveChanged(); }

gboolean OnBackgroundCheck(gpointer self) {
  static_cast<MainWindow*>(self)->CheckBackground();
  return G_SOURCE_REMOVE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* e, gpointer self) {
  auto* w = static_cast<MainWindow*>(self);
  if ((e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) && (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED))
    w->Minimised();
  if (e->changed_mask & GDK_WINDOW_STATE_FULLSCREEN)
    w->screen().FollowWindowManager(e->new_window_state & GDK_WINDOW_STATE_FULLSCREEN);
  return FALSE;
}

// A window of ours has the focus: the game's, one of its boxes, or a menu of its bar.
bool OursActive(GtkWidget* bar) {
  if (gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(bar))) return true;
  GList* all = gtk_window_list_toplevels();
  bool active = false;
  for (GList* l = all; l; l = l->next) active = active || gtk_window_is_active(GTK_WINDOW(l->data));
  g_list_free(all);
  return active;
}

// The focus settles after a box or a menu takes it from the window; look a little later.
constexpr unsigned kBackgroundCheckMs = 150;

bool IsModifier(int16_t code) { return code == kKeyShift || code == kKeyControl || code == kKeyMenu; }

}  // namespace

MainWindow::MainWindow(const std::string& title, Surface& surface, const std::vector<MenuColumn>& menus,
                       EventTrace& trace, WindowHooks hooks)
    : trace_(trace), hooks_(std::move(hooks)), presenter_(surface), window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
  menus_ = std::make_unique<MenuBar>(menus, [this](MenuItem& m) {
    trace_.Menu(m.Name());
    m.Click();
  });
  gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(box), menus_->widget(), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), presenter_.widget(), TRUE, TRUE, 0);  // fills the screen in fullscreen
  gtk_container_add(GTK_CONTAINER(window_), box);
  gtk_widget_add_events(presenter_.widget(), GDK_BUTTON_PRESS_MASK);
  g_signal_connect(presenter_.widget(), "button-press-event", G_CALLBACK(OnButtonPress), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "key-release-event", G_CALLBACK(OnKeyRelease), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "notify::is-active", G_CALLBACK(OnActiveChanged), this);
  g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);
  screen_ = std::make_unique<ScreenMode>(window_, menus_->widget(), presenter_, hooks_.screenChanged);
}

MainWindow::~MainWindow() {
  if (backgroundCheck_) g_source_remove(backgroundCheck_);
  screen_.reset();
  gtk_widget_destroy(window_);
}

void MainWindow::SetIcon(const std::string& pngPath) {
  gtk_window_set_icon_from_file(GTK_WINDOW(window_), pngPath.c_str(), nullptr);
}

void MainWindow::Show() {
  gtk_widget_show_all(window_);
  if (screen_->Fullscreen()) gtk_widget_hide(menus_->widget());
}

bool MainWindow::Key(const GdkEventKey& e, bool pressed) {
  // The window's own keys (scale, fullscreen) first: the game never sees them.
  if (ScreenMode::Command c = ScreenMode::CommandFor(e.keyval, e.state); c != ScreenMode::Command::Other) {
    if (pressed) screen_->Run(c);
    return true;
  }
  const int16_t code = KeyCodeFor(e.keyval);
  const int16_t shift = ShiftStateFor(e.state, e.keyval, pressed);
  GameKey(code, shift, pressed);
  // The arrows and the shortcut are the game's alone; during play so is every other key that
  // fires, except that Alt with a key is also an access key: the game has fired on it above,
  // and its menu opens as in every other mode.
  if (code == kKeyLeft || code == kKeyRight || code == kKeyF5) return true;
  if (pressed && (shift & kAltMask) && !IsModifier(code)) return false;
  return (shift != 0 || IsModifier(code)) && hooks_.playing();
}

void MainWindow::GameKey(int16_t code, int16_t shift, bool pressed) {
  if (pressed) {
    trace_.KeyDown(code, shift);
    hooks_.keyDown(code, shift);
  } else {
    trace_.KeyUp(code, shift);
    hooks_.keyUp(code, shift);
  }
}

void MainWindow::DoubleClick() {
  trace_.DblClick();
  hooks_.dblClick();
}

void MainWindow::CloseBox() { hooks_.close(); }

void MainWindow::ActiveChanged() {
  if (gtk_window_is_active(GTK_WINDOW(window_)) || backgroundCheck_) return;
  backgroundCheck_ = g_timeout_add(kBackgroundCheckMs, OnBackgroundCheck, this);
}

void MainWindow::CheckBackground() {
  backgroundCheck_ = 0;
  if (!OursActive(menus_->widget()) && hooks_.background) hooks_.background();
}

void MainWindow::Minimised() {
  if (hooks_.background) hooks_.background();
}

}  // namespace kv
