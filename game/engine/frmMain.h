#pragma once
// The game's one form: it owns the game state, every control and every procedure. The play
// engine's procedures live in this folder, one file per concern; the shell's (settings,
// sound, title, lifecycle and menus) in game/shell.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "game/engine/GameData.h"
#include "game/platform/canvas.h"
#include "game/platform/image_control.h"
#include "game/platform/label.h"
#include "game/platform/line_control.h"
#include "game/platform/menu_item.h"
#include "game/platform/ports.h"
#include "game/platform/surface.h"
#include "game/platform/timer.h"
#include "game/shell/ini_location.h"

namespace kv {

class frmMain {
 public:
  static constexpr int kPlayfieldWidth = 629;
  static constexpr int ScaleWidth = Surface::kWidth;
  static constexpr int ScaleHeight = Surface::kHeight;
  static constexpr const char* kTitle = "Ruziz Kestrovan";

  explicit frmMain(const Ports& ports);
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  GameData gd;

  // The client area: the form's playfield and, on top of its right part, the side panel.
  Surface surface;
  Canvas form;
  Canvas picSub;

  std::array<ImageControl, 40> imgInv;
  std::array<ImageControl, 3> imgInvader;  // picture templates, never shown
  ImageControl imgMotherShip;
  ImageControl imgShip;
  std::array<ImageControl, 2> imgShip1;
  std::array<ImageControl, 5> imgBases;
  ImageControl imgLives;  // in picSub
  Label lblTitle, lblBonus, lblGameOver, lblRating;
  // The side panel: the bevel at its left edge, the fixed captions and the status labels.
  std::array<LineControl, 3> Line1;
  Label Label1, lblHiScore, lblHsName, Label2, lblScore, Label3, lblRound, lblLives;
  Label Label5, lblLevel, Label6, lblSpeed, Label4, lblKey;

  Timer timMain, timInvader, timSub, timDemo, timShootingStar;

  MenuItem mnuFile, mnuStart, mnuSep1, mnuExit;
  MenuItem mnuLevel, mnuEasy, mnuMedium, mnuHard;
  MenuItem mnuSpeed, mnuSlow, mnuNormal, mnuFast;
  MenuItem mnuOptions, mnuMusicOn, mnuSound;
  MenuItem mnuHelp, mnuAbout;

  // Form events.
  void Form_Load();
  void Form_QueryUnload();
  void Form_DblClick();
  void Form_KeyDown(Integer KeyCode, Integer Shift);
  void Form_KeyUp(Integer KeyCode, Integer Shift);
  // A key as the window receives it: a menu shortcut (F5) goes to its menu item, any other
  // key to Form_KeyDown.
  void KeyDown(Integer KeyCode, Integer Shift);
  void Unload();  // runs Form_QueryUnload once, then ends the program
  bool Unloaded() const { return unloaded_; }

  // Pause, during play only: every timer holds, the sound holds, the picture shows "PAUSE"
  // and nothing but the pause key (P without modifiers, or Pause), the key-ups and the menus
  // reach the game. Resuming restores the picture exactly; the game goes on as if the time
  // in between had not passed. Starting a game resumes first.
  static bool IsPauseKey(Integer KeyCode, Integer Shift);
  void TogglePause();
  void PausePlay();   // nothing unless a game is being played
  void ResumePlay();  // nothing unless paused
  bool Paused() const { return paused_; }

  // How the desktop shows the picture: 0 fits the screen, else a whole-number scale. Kept
  // in the INI file's section of its own, which is written once it exists or a choice was made.
  struct DisplayPrefs {
    int scale = 0;
    bool fullscreen = false;
    bool stored = false;
  };
  DisplayPrefs display;

  // Round set-up and the start of a game.
  void StartRound();
  void mnuStart_Click();
  // Main tick and cannon.
  void timMain_Timer();
  void MoveShip();
  void ShowMenus(bool Show);
  // Formation.
  void MoveInvaders();
  void timInvader_Timer();
  void AnimateInvaders();
  // Missile, bombs, mothership, game over.
  void MoveShot();
  void MoveBombs();
  void MoveMotherShip();
  void GameOver();

  // Shell procedures the engine calls.
  void ShowTitle();
  void timSub_Timer();
  void timDemo_Timer();
  void DemoStep();
  void timShootingStar_Timer();
  void LoadSettings();
  void SaveSettings();
  void PlaySound(const char* fileName);  // when sound is on and a wave device exists
  bool PlaySoundFile(const std::string& fileName, bool async);
  void StartMusic();
  void StopMusic();
  bool DetectWaveDevice();
  std::string AppFilePath(const std::string& fileName) const;
  void SetLevelEasy();
  void SetLevelMedium();
  void SetLevelHard();
  void SetSpeedSlow();
  void SetSpeedNormal();
  void SetSpeedFast();

  // Menu handlers.
  void mnuExit_Click();
  void mnuEasy_Click();
  void mnuMedium_Click();
  void mnuHard_Click();
  void mnuSlow_Click();
  void mnuNormal_Click();
  void mnuFast_Click();
  void mnuMusicOn_Click();
  void mnuSound_Click();
  void mnuAbout_Click();

  // Drawing on the playfield, in form pixels.
  void Line(double x1, double y1, double x2, double y2, Colour c) { form.FillBox(x1, y1, x2, y2, c); }
  void PSet(double x, double y, Colour c) { form.PSet(x, y, c); }
  Colour Point(double x, double y) const { return form.Point(x, y); }
  void Cls() { form.Cls(); }
  void Refresh() { form.Refresh(); }
  double Rnd() { return ports_.random.Rnd(); }
  void Sleep(int32_t ms) { ports_.sleeper.Sleep(ms); }

  // Every timer, menu item and label in a stable order (the state dump, the desktop menu).
  std::vector<const Timer*> Timers() const;
  std::vector<const MenuItem*> MenuItems() const;
  std::vector<MenuItem*> MenuItems();
  std::vector<std::pair<std::string, const Label*>> Labels() const;
  MenuItem* FindMenu(const std::string& name);
  // The menu bar as the desktop builds it: the top menus in their order, each with its items
  // (an item captioned "-" is a separator line).
  struct MenuBarEntry {
    MenuItem* menu;
    std::vector<MenuItem*> items;
  };
  std::vector<MenuBarEntry> MenuBar();

 private:
  void DesignControls();
  void DesignMenus();
  void DesignPanel();
  // The INI file to read, and the one way to store a value in it (see IniLocation).
  std::string IniPath();
  bool WriteIniValue(const std::string& section, const std::string& key, const std::string& value);
  void LoadDisplayPrefs(const std::string& path);
  void SaveDisplayPrefs();
  void DrawPauseCaption();
  void LoadHighScore();
  void CheckHighScore();
  void EnterHighScoreName();
  void DestroyShip(int s);
  void MissileHits();
  void ShotHitMotherShip();
  void ShotHitInvaders();
  void RoundCleared();
  void CutMissileCrater();
  void CutBombCrater(int s);
  void DrawBomb(int s);

  Ports ports_;
  IniLocation iniLocation_{ports_.host};
  bool unloaded_ = false;
  bool nameEntryOpen_ = false;  // ShowTitle's name dialog is open
  bool paused_ = false;
  std::vector<Colour> underPause_;  // the picture as it was when the pause began
};

// Int() of the original: the floor, as a 32-bit value.
inline int Int(double v) { return ToPixel(v); }

}  // namespace kv
