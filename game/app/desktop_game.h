#pragma once
// The game on the desktop platform: every port, the form, its window, and the wiring that
// unloads the form once however the program ends.
#include <memory>

#include "game/engine/frmMain.h"
#include "game/platform/bitmap_font.h"
#include "game/platform/event_trace.h"
#include "game/platform/gamepad_keys.h"
#include "game/platform/gtk/desktop_host.h"
#include "game/platform/gtk/glib_loop.h"
#include "game/platform/gtk/gtk_dialogs.h"
#include "game/platform/gtk/main_window.h"
#include "game/platform/gtk/pango_text.h"
#include "game/platform/gtk/sdl_gamepads.h"
#include "game/platform/gtk/sdl_sound.h"
#include "game/platform/menu_layout.h"
#include "game/platform/headless/seeded_random.h"

namespace kv {

class DesktopGame {
 public:
  DesktopGame();
  ~DesktopGame();
  // Loads the form, shows the window and runs until the form unloads.
  int Run();

 private:
  void Snapshot();
  void PadKey(int16_t code, int16_t shift, bool down);
  void WatchGamepads();

  EventTrace trace_;
  GlibLoop loop_{trace_};
  SdlSound sound_;
  GtkDialogs dialogs_{trace_};
  SeededRandom random_{1};
  PangoTextRenderer text_;
  DesktopHost host_;
  frmMain form_;
  std::unique_ptr<MainWindow> window_;
  GamepadKeys padKeys_;
  std::unique_ptr<SdlGamepads> pads_;
  unsigned padPoll_ = 0;
};

}  // namespace kv
