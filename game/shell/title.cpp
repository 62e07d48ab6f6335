// The title screen, the high score and the side panel's status line.
#include "game/engine/frmMain.h"
#include "game/engine/state_dump.h"
#include "game/shell/cIniFile.h"
#include "game/shell/stored_text.h"
#include "game/shell/value_text.h"

namespace kv {

namespace {

constexpr size_t kNameChars = 10;
const char kDefaultName[] = "Velmora";
const char kDefaultScore[] = "19300";
const char kNameTitle[] = "ハイスコア";
const char kNamePrompt[] = "おめでとうございます。\r\n名前を入力してください ...\r\n\r\n最大 10 文字";
const char kKeyHelp[] = " Move:\r\n   [LEFT] [RIGHT]\r\n\r\n  Fire:\r\n   [CTRL]/[SHIFT]";

// A line break or other control character in the entered name would break the INI line that
// stores it, and the record would be lost; it becomes a blank.
std::string PlainName(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return name;
}

}  // namespace

void frmMain::ShowTitle() {
  // The play behind an open name dialog can end in a game over of its own, which comes back
  // here: that inner title builds the attract round but neither asks for a name again nor
  // rereads the stored record over the one being entered.
  if (!nameEntryOpen_) {
    // The status line compares only twice a second: points won after its last look at the
    // score would otherwise be missing from the stored record, and the attract mode would
    // then "beat" it and ask for a name once more.
    CheckHighScore();
    if (gd.NewHiScore) {
      EnterHighScoreName();
    } else {
      LoadHighScore();
    }
  }
  gd.UfoDY = 1;
  gd.ShotActive = false;
  imgShip.SetVisible(true);
  gd.ShipX = 1;
  gd.ShipY = 410;
  gd.ShipDir = 0;
  gd.Lives = 0;
  gd.GameMode = kModeSwitching;
  gd.Rating = 0;
  Form_DblClick();
  StartRound();
  imgShip1[0].SetVisible(false);
  imgShip1[1].SetVisible(false);
  imgLives.SetPicture(imgShip.GetPicture());
  // With none of a group checked the caption stays.
  if (mnuSlow.Checked()) lblSpeed.SetCaption("Slow");
  else if (mnuNormal.Checked()) lblSpeed.SetCaption("Normal");
  else if (mnuFast.Checked()) lblSpeed.SetCaption("Fast");
  if (mnuEasy.Checked()) lblLevel.SetCaption("Easy");
  else if (mnuMedium.Checked()) lblLevel.SetCaption("Normal");
  else if (mnuHard.Checked()) lblLevel.SetCaption("Hard");
  lblKey.SetCaption(kKeyHelp);
}

// The stored record replaces the one in memory. A Score that is no number counts as absent.
void frmMain::LoadHighScore() {
  const std::string path = IniPath();
  cIniFile ini;
  gd.HiScoreName = LeftChars(ini.MyGetString(path, "HighScore", "Name", kDefaultName), kNameChars);
  gd.HiScore = NumberFromText(ini.MyGetString(path, "HighScore", "Score", kDefaultScore)).value_or(19300);
}

// After a game that beat the record: the music and the march stop, the form is wiped, and the
// new holder's name is asked for and stored with the score.
void frmMain::EnterHighScoreName() {
  StopMusic();
  timInvader.SetEnabled(false);
  Line(0, 0, ScaleWidth, ScaleHeight, kBlack);
  PlaySound("high.wav");
  {
    struct Open {
      bool& flag;
      explicit Open(bool& f) : flag(f) { flag = true; }
      ~Open() { flag = false; }
    } open(nameEntryOpen_);
    gd.HiScoreName = ports_.dialogs.InputBox(kNamePrompt, kNameTitle);
  }
  gd.HiScoreName = LeftChars(PlainName(gd.HiScoreName), kNameChars);
  if (gd.HiScoreName.empty()) gd.HiScoreName = "No Name";
  WriteIniValue("HighScore", "Name", gd.HiScoreName);
  WriteIniValue("HighScore", "Score", NumberText(gd.HiScore));
  gd.NewHiScore = false;
}

// A score above the record (not equal to it) becomes the record, held by the player.
void frmMain::CheckHighScore() {
  if (gd.Score > gd.HiScore) {
    gd.HiScore = gd.Score;
    gd.NewHiScore = true;
    gd.HiScoreName = "You !";
  }
}

// Twice a second in every mode: the record follows a score that passes it, and the status
// labels show the current values.
void frmMain::timSub_Timer() {
  CheckHighScore();
  lblHiScore.SetCaption(NumberText(gd.HiScore));
  lblHsName.SetCaption(gd.HiScoreName);
  lblLives.SetCaption(std::to_string(gd.Lives));
  lblScore.SetCaption(NumberText(gd.Score));
  lblRound.SetCaption(std::to_string(gd.RoundNo));
}

}  // namespace kv
