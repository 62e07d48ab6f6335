// The settings: the program's files, the INI file's Settings section, and level and speed,
// whose check marks are the current choice.
#include "game/engine/frmMain.h"
#include "game/platform/file_store.h"
#include "game/shell/cIniFile.h"
#include "game/shell/value_text.h"

namespace kv {

namespace {

void CheckOnly(MenuItem& chosen, MenuItem& a, MenuItem& b, MenuItem& c) {
  a.SetChecked(&a == &chosen);
  b.SetChecked(&b == &chosen);
  c.SetChecked(&c == &chosen);
}

}  // namespace

// The program's folder joined with a file name by exactly one separator. A leading backslash
// of the name counts as that separator. The name is matched without regard to letter case,
// as the files were delivered under their own spellings.
std::string frmMain::AppFilePath(const std::string& fileName) const {
  std::string folder = ports_.host.ProgramFolder();
  std::string name = fileName;
  bool leading = !name.empty() && (name.front() == '\\' || name.front() == '/');
  bool trailing = !folder.empty() && folder.back() == '/';
  if (leading) name.erase(0, 1);
  if (name.find_first_of("/\\") == std::string::npos) {
    std::string found = FindNameNoCase(folder, name);
    if (!found.empty()) name = found;
  }
  return trailing ? folder + name : folder + "/" + name;
}

std::string frmMain::IniPath() { return iniLocation_.Path(AppFilePath(std::string(kTitle) + ".ini")); }

bool frmMain::WriteIniValue(const std::string& section, const std::string& key, const std::string& value) {
  return iniLocation_.Set(AppFilePath(std::string(kTitle) + ".ini"), section, key, value);
}

void frmMain::LoadSettings() {
  const std::string path = IniPath();
  if (!FileExists(path)) return;
  cIniFile ini;
  Integer level = ToInteger(ini.MyGetInteger(path, "Settings", "Level", 1));
  if (level == 0) {
    SetLevelEasy();
  } else if (level == 2) {
    SetLevelHard();
  } else {
    SetLevelMedium();
  }
  Integer speed = ToInteger(ini.MyGetInteger(path, "Settings", "Speed", 1));
  if (speed == 0) {
    SetSpeedSlow();
  } else if (speed == 2) {
    SetSpeedFast();
  } else {
    SetSpeedNormal();
  }
  // A value that is neither a Boolean word nor a number counts as the default.
  gd.SoundOn = BooleanFromText(ini.MyGetString(path, "Settings", "Sound", "True")).value_or(true);
  gd.MusicOn = BooleanFromText(ini.MyGetString(path, "Settings", "Music", "True")).value_or(true);
  LoadDisplayPrefs(path);
}

// A failed save leaves the game as it is; WriteIniValue says so and tries the fallback.
void frmMain::SaveSettings() {
  int level = mnuEasy.Checked() ? 0 : mnuMedium.Checked() ? 1 : 2;
  int speed = mnuSlow.Checked() ? 0 : mnuNormal.Checked() ? 1 : 2;
  WriteIniValue("Settings", "Level", std::to_string(level));
  WriteIniValue("Settings", "Speed", std::to_string(speed));
  WriteIniValue("Settings", "Sound", BooleanText(gd.SoundOn));
  WriteIniValue("Settings", "Music", BooleanText(gd.MusicOn));
  SaveDisplayPrefs();
}

void frmMain::SetLevelEasy() {
  gd.InvDrop = 8;
  gd.InvCount = 30;
  gd.BombSlots = 10;
  gd.DoubleBombs = false;
  CheckOnly(mnuEasy, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetLevelMedium() {
  gd.InvDrop = 14;
  gd.InvCount = 40;
  gd.BombSlots = 10;
  gd.DoubleBombs = false;
  CheckOnly(mnuMedium, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetLevelHard() {
  gd.InvDrop = 20;
  gd.InvCount = 40;
  gd.BombSlots = 12;
  gd.DoubleBombs = true;
  CheckOnly(mnuHard, mnuEasy, mnuMedium, mnuHard);
}

void frmMain::SetSpeedSlow() {
  CheckOnly(mnuSlow, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(100);
}

void frmMain::SetSpeedNormal() {
  CheckOnly(mnuNormal, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(35);
}

void frmMain::SetSpeedFast() {
  CheckOnly(mnuFast, mnuSlow, mnuNormal, mnuFast);
  timMain.SetInterval(2);
}

// Level and speed change only on the title screen.
void frmMain::mnuEasy_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelEasy();
  ShowTitle();
}

void frmMain::mnuMedium_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelMedium();
  ShowTitle();
}

void frmMain::mnuHard_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetLevelHard();
  ShowTitle();
}

void frmMain::mnuSlow_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedSlow();
  ShowTitle();
}

void frmMain::mnuNormal_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedNormal();
  ShowTitle();
}

void frmMain::mnuFast_Click() {
  if (gd.GameMode != kModeTitle) return;
  SetSpeedFast();
  ShowTitle();
}

}  // namespace kv
