#pragma once
// The game's window: the native menu bar above a client area of exactly the framebuffer's
// size at its scale, not resizable (or fullscreen). Keys, double-clicks, menu choices and the close box go to the form
// through the hooks, each one traced before it runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/platform/event_trace.h"
#include "game/platform/gtk/menu_bar.h"
#include "game/platform/gtk/presenter.h"
#include "game/platform/gtk/screen_mode.h"
#include "game/platform/menu_item.h"
#include "game/platform/surface.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkEventKey GdkEventKey;

namespace kv {

struct WindowHooks {
  std::function<void(int16_t code, int16_t shift)> keyDown;
  std::function<void(int16_t code, int16_t shift)> keyUp;
  std::function<void()> dblClick;
  std::function<void()> close;    // the close box
  std::function<bool()> playing;  // a game is being played: the fire keys are the game's
  // The window went to the background (minimised, or another program took the focus).
  std::function<void()> background;
  // The player changed the scale (0: none chosen) or fullscreen.
  std::function<void(int scale, bool fullscreen)> screenChanged;
};

class MainWindow {
 public:
  MainWindow(const std::string& title, Surface& surface, const std::vector<MenuColumn>& menus, EventTrace& trace,
             WindowHooks hooks);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void SetIcon(const std::string& pngPath);  // silently keeps the default when unreadable
  void Show();
  GtkWidget* widget() const { return window_; }
  Presenter& presenter() { return presenter_; }
  ScreenMode& screen() { return *screen_; }

  bool Key(const GdkEventKey& e, bool pressed);  // true when the toolkit must not see it
  // A key for the game from elsewhere (a controller), traced and handled like the keyboard's.
  void GameKey(int16_t code, int16_t shift, bool pressed);
  void DoubleClick();
  void CloseBox();
  void ActiveChanged();
  void CheckBackground();
  void Minimised();

 private:
  EventTrace& trace_;
  WindowHooks hooks_;
  Presenter presenter_;
  std::unique_ptr<MenuBar> menus_;
  GtkWidget* window_;
  std::unique_ptr<ScreenMode> screen_;
  unsigned backgroundCheck_ = 0;
};

}  // namespace kv
