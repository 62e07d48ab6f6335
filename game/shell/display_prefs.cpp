// The desktop's scale and fullscreen choice, in a section of the INI file of its own.
#include <algorithm>

#include "game/engine/frmMain.h"
#include "game/shell/cIniFile.h"
#include "game/shell/value_text.h"

namespace kv {

namespace {
constexpr const char* kSection = "Display";
constexpr int kMaxScale = 16;
}  // namespace

void frmMain::LoadDisplayPrefs(const std::string& path) {
  cIniFile ini;
  const std::string scale = ini.MyGetString(path, kSection, "Scale", "");
  const std::string full = ini.MyGetString(path, kSection, "Fullscreen", "");
  display.stored = !scale.empty() || !full.empty();
  display.scale = std::clamp(ini.MyGetInteger(path, kSection, "Scale", 0), 0, kMaxScale);
  display.fullscreen = BooleanFromText(full).value_or(false);
}

// Written only once the player chose something, so a file without the section stays as it is.
void frmMain::SaveDisplayPrefs() {
  if (!display.stored) return;
  WriteIniValue(kSection, "Scale", std::to_string(display.scale));
  WriteIniValue(kSection, "Fullscreen", BooleanText(display.fullscreen));
}

}  // namespace kv
