#include "game/app/desktop_game.h"

#include <glib.h>

#include <cstdlib>

#include "game/platform/file_store.h"

namespace kv {

namespace {

// Controllers are looked at a few times a frame.
constexpr unsigned kPadPollMs = 8;

gboolean OnPadPoll(gpointer pads) {
  static_cast<SdlGamepads*>(pads)->Poll();
  return G_SOURCE_CONTINUE;
}

}  // namespace

DesktopGame::DesktopGame()
    : form_(Ports{loop_, loop_, sound_, dialogs_, random_, text_, host_}),
      padKeys_({[this](int16_t code, int16_t shift) { PadKey(code, shift, true); },
                [this](int16_t code, int16_t shift) { PadKey(code, shift, false); },
                [this] { return form_.gd.GameMode == kModePlay || form_.Paused(); }}) {
  // KESTROVAN_TRACE names a file that records every handler, for a headless replay; SIGUSR1
  // then freezes the game on a snapshot that the replay can be compared with.
  if (const char* path = std::getenv("KESTROVAN_TRACE"); path && *path && trace_.Open(path))
    host_.WatchSnapshotRequests([this] { Snapshot(); });

  WindowHooks hooks;
  hooks.keyDown = [this](int16_t code, int16_t shift) { form_.KeyDown(code, shift); };
  hooks.keyUp = [this](int16_t code, int16_t shift) { form_.Form_KeyUp(code, shift); };
  hooks.dblClick = [this] { form_.Form_DblClick(); };
  hooks.close = [this] { form_.Unload(); };
  hooks.playing = [this] { return form_.gd.GameMode == kModePlay; };
  hooks.background = [this] {
    if (form_.gd.GameMode != kModePlay || form_.Paused()) return;
    trace_.Pause();
    form_.PausePlay();
  };
  hooks.screenChanged = [this](int scale, bool fullscreen) { form_.display = {scale, fullscreen, true}; };
  std::vector<MenuColumn> menus;
  for (const frmMain::MenuBarEntry& e : form_.MenuBar()) menus.push_back(MakeColumn(e.menu, e.items));
  window_ = std::make_unique<MainWindow>(frmMain::kTitle, form_.surface, menus, trace_, hooks);
  window_->SetIcon(host_.ProgramFolder() + "/Kestrovan.png");
  dialogs_.SetParent(window_->widget());

  form_.surface.SetPresenter([this] { window_->presenter().Refresh(); });
  loop_.OnPresent([this] { window_->presenter().ShowAll(); });
  host_.OnEnd([this] {
    loop_.Stop();
    dialogs_.CancelAll();
  });
  host_.WatchSessionEnd([this] { form_.Unload(); });
}

DesktopGame::~DesktopGame() {
  if (padPoll_) g_source_remove(padPoll_);
}

// A controller's key goes the way of the keyboard's.
void DesktopGame::PadKey(int16_t code, int16_t shift, bool down) {
  if (!form_.Unloaded()) window_->GameKey(code, shift, down);
}

void DesktopGame::WatchGamepads() {
  pads_ = std::make_unique<SdlGamepads>(padKeys_);
  if (pads_->ok()) padPoll_ = g_timeout_add(kPadPollMs, OnPadPoll, pads_.get());
}

void DesktopGame::Snapshot() {
  window_->presenter().ShowAll();
  trace_.Snapshot();
  StopUntilContinued();  // the tester looks, then lets the game go on
}

int DesktopGame::Run() {
  form_.Form_Load();
  if (form_.Unloaded()) return 0;
  if (!FindNameNoCase(host_.ProgramFolder(), "bgm.mid").empty()) sound_.WarmMusic();
  window_->screen().Start(form_.display.scale, form_.display.fullscreen);
  window_->Show();
  WatchGamepads();
  host_.Run();
  return 0;
}

}  // namespace kv
