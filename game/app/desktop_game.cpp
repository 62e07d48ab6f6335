#include "game/app/desktop_game.h"

#include "game/platform/file_store.h"

#include <cstdlib>

namespace kv {

DesktopGame::DesktopGame()
    : form_(Ports{loop_, loop_, sound_, dialogs_, random_, text_, host_}) {
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

void DesktopGame::Snapshot() {
  window_->presenter().ShowAll();
  trace_.Snapshot();
  StopUntilContinued();  // the tester looks, then lets the game go on
}

int DesktopGame::Run() {
  form_.Form_Load();
  if (form_.Unloaded()) return 0;
  if (!FindNameNoCase(host_.ProgramFolder(), "bgm.mid").empty()) sound_.WarmMusic();
  window_->Show();
  host_.Run();
  return 0;
}

}  // namespace kv
