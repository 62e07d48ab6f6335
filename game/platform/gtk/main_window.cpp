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
  gtk_box_pack_start(GTK_BOX(box), presenter_.widget(), FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), box);
  gtk_widget_add_events(presenter_.widget(), GDK_BUTTON_PRESS_MASK);
  g_signal_connect(presenter_.widget(), "button-press-event", G_CALLBACK(OnButtonPress), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "key-release-event", G_CALLBACK(OnKeyRelease), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
}

MainWindow::~MainWindow() { gtk_widget_destroy(window_); }

void MainWindow::SetIcon(const std::string& pngPath) {
  gtk_window_set_icon_from_file(GTK_WINDOW(window_), pngPath.c_str(), nullptr);
}

void MainWindow::Show() { gtk_widget_show_all(window_); }

bool MainWindow::Key(const GdkEventKey& e, bool pressed) {
  const int16_t code = KeyCodeFor(e.keyval);
  const int16_t shift = ShiftStateFor(e.state, e.keyval, pressed);
  if (pressed) {
    trace_.KeyDown(code, shift);
    hooks_.keyDown(code, shift);
  } else {
    trace_.KeyUp(code, shift);
    hooks_.keyUp(code, shift);
  }
  // The arrows and the shortcut are the game's alone; during play so is every other key that
  // fires, except that Alt with a key is also an access key: the game has fired on it above,
  // and its menu opens as in every other mode.
  if (code == kKeyLeft || code == kKeyRight || code == kKeyF5) return true;
  if (pressed && (shift & kAltMask) && !IsModifier(code)) return false;
  return (shift != 0 || IsModifier(code)) && hooks_.playing();
}

void MainWindow::DoubleClick() {
  trace_.DblClick();
  hooks_.dblClick();
}

void MainWindow::CloseBox() { hooks_.close(); }

}  // namespace kv
