#pragma once
// How the game's window shows its picture: the window at a whole-number scale, or fullscreen
// with the menu bar hidden and the pointer hidden while it stands still. The window's keys for
// it: F11 and Alt+Enter toggle fullscreen; Ctrl++ and Ctrl+- change the scale, Ctrl+0 sets 1.
// These keys belong to the window and never reach the game.
#include <functional>

#include "game/platform/gtk/presenter.h"

typedef struct _GtkWidget GtkWidget;

namespace kv {

class ScreenMode {
 public:
  enum class Command { Other, Fullscreen, Larger, Smaller, Reset };
  // The command a key (toolkit key value and modifier state) gives, if any.
  static Command CommandFor(unsigned keyval, unsigned state);

  // changed(scale, fullscreen) after every command: scale 0 while the player has chosen none.
  ScreenMode(GtkWidget* window, GtkWidget* menuBar, Presenter& presenter,
             std::function<void(int scale, bool fullscreen)> changed);
  ~ScreenMode();
  ScreenMode(const ScreenMode&) = delete;
  ScreenMode& operator=(const ScreenMode&) = delete;

  // At start: scale 0 takes the largest that fits; a remembered one is kept within that.
  void Start(int scale, bool fullscreen);
  void Run(Command c);
  void SetFullscreen(bool on);
  // The window manager changed fullscreen itself (its own key or menu).
  void FollowWindowManager(bool fullscreen);
  bool Fullscreen() const { return fullscreen_; }
  int Scale() const { return scale_; }
  // The largest scale at which the window fits the work area of its monitor.
  int FitScale() const;

  void PointerMoved();  // shows the pointer again and hides it after a while, in fullscreen
  void HidePointer();

 private:
  void Notify();

  GtkWidget* window_;
  GtkWidget* menuBar_;
  Presenter& presenter_;
  std::function<void(int, bool)> changed_;
  int scale_ = 1;
  bool chosen_ = false;  // the player chose the scale
  bool fullscreen_ = false;
  bool byWindowManager_ = false;
  int savedX_ = 0, savedY_ = 0;
  unsigned pointerTimer_ = 0;
};

}  // namespace kv
