// The menu bar as data: the desktop builds its native menus from this tree and follows each
// item's changes through its observer.
#include "game/engine/frmMain.h"

namespace kv {

std::vector<frmMain::MenuBarEntry> frmMain::MenuBar() {
  return {
      {&mnuFile, {&mnuStart, &mnuSep1, &mnuExit}},
      {&mnuLevel, {&mnuEasy, &mnuMedium, &mnuHard}},
      {&mnuSpeed, {&mnuSlow, &mnuNormal, &mnuFast}},
      {&mnuOptions, {&mnuMusicOn, &mnuSound}},
      {&mnuHelp, {&mnuAbout}},
  };
}

}  // namespace kv
