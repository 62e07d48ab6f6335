// The form's controls as designed: sprites, overlay labels, timers and the menu tree.
#include "game/engine/frmMain.h"

#include "game/assets/sprites.h"
#include "game/platform/keys.h"

namespace kv {

namespace {

Picture FromArt(const assets::SpriteArt& art) { return MakePicture(art.width, art.height, assets::Rasterise(art)); }

LabelDesign Overlay(const char* caption, int l, int t, int w, int h, const char* font, double points, Colour c,
                    bool transparent, Align align) {
  LabelDesign d;
  d.caption = caption;
  d.left = l;
  d.top = t;
  d.width = w;
  d.height = h;
  d.font = {font, points, true};
  d.foreColor = c;
  d.transparent = transparent;
  d.align = align;
  return d;
}

}  // namespace

frmMain::frmMain(const Ports& ports)
    : form(surface, 0, 0, {0, 0, kPlayfieldWidth, Surface::kHeight}, ports.text),
      picSub(surface, kPlayfieldWidth, 0, {kPlayfieldWidth, 0, Surface::kWidth - kPlayfieldWidth, Surface::kHeight},
             ports.text),
      timMain(ports.timers, "timMain", 25, true),
      timInvader(ports.timers, "timInvader", 1000, true),
      timSub(ports.timers, "timSub", 500, true),
      timDemo(ports.timers, "timDemo", 30, true),
      timShootingStar(ports.timers, "timShootingStar", 100, true),
      mnuFile("mnuFile", "ﾌｧｲﾙ(&F)"),
      mnuStart("mnuStart", "開始(&S)", false, kKeyF5),
      mnuSep1("mnuSep1", "-"),
      mnuExit("mnuExit", "終了(&X)"),
      mnuLevel("mnuLevel", "ﾚﾍﾞﾙ(&L)"),
      mnuEasy("mnuEasy", "初級(&E)"),
      mnuMedium("mnuMedium", "中級(&M)", true),
      mnuHard("mnuHard", "上級(&H)"),
      mnuSpeed("mnuSpeed", "ｽﾋﾟｰﾄﾞ(&S)"),
      mnuSlow("mnuSlow", "遅い(&S)"),
      mnuNormal("mnuNormal", "普通(&M)", true),
      mnuFast("mnuFast", "速い(&F)"),
      mnuOptions("mnuOptions", "ｵﾌﾟｼｮﾝ(&O)"),
      mnuMusicOn("mnuMusicOn", "BGM(&B)", true),
      mnuSound("mnuSound", "ｻｳﾝﾄﾞ(&S)", true),
      mnuHelp("mnuHelp", "ﾍﾙﾌﾟ(&H)"),
      mnuAbout("mnuAbout", "ﾊﾞｰｼﾞｮﾝ情報(&A)"),
      ports_(ports) {
  DesignControls();
  DesignPanel();
  DesignMenus();
  timMain.OnTimer([this] { timMain_Timer(); });
  timInvader.OnTimer([this] { timInvader_Timer(); });
  timSub.OnTimer([this] { timSub_Timer(); });
  timDemo.OnTimer([this] { timDemo_Timer(); });
  timShootingStar.OnTimer([this] { timShootingStar_Timer(); });
}

void frmMain::DesignControls() {
  imgInvader[0].SetPicture(FromArt(assets::InvaderFrame0()));
  imgInvader[1].SetPicture(FromArt(assets::InvaderFrame1()));
  imgInvader[2].SetPicture(FromArt(assets::InvaderExplosion()));
  imgMotherShip.SetPicture(FromArt(assets::MotherShip()));
  imgMotherShip.Move(-100, 70);
  imgShip.SetPicture(FromArt(assets::Ship()));
  imgShip.Move(1, 410);
  imgShip.SetVisible(true);
  imgShip1[0].SetPicture(FromArt(assets::ShipExplosion0()));
  imgShip1[1].SetPicture(FromArt(assets::ShipExplosion1()));
  // Only the first base carries a picture at design time; the load copies it to the others.
  imgBases[0].SetPicture(FromArt(assets::Base()));
  static constexpr int kBaseLeft[5] = {68, 180, 292, 404, 516};
  for (int i = 0; i < 5; ++i) {
    imgBases[i].Move(kBaseLeft[i], 320);
    imgBases[i].SetVisible(true);
  }
  for (ImageControl& inv : imgInv) inv.Move(-1000, 0);
  for (ImageControl& t : imgInvader) t.Move(-1000, 0);

  // z-order: bases, invaders, templates, mothership, cannon, explosion, then the labels.
  for (ImageControl& b : imgBases) form.Add(b);
  for (ImageControl& inv : imgInv) form.Add(inv);
  for (ImageControl& t : imgInvader) form.Add(t);
  form.Add(imgMotherShip);
  form.Add(imgShip);
  for (ImageControl& e : imgShip1) form.Add(e);

  lblTitle.Design(Overlay("Ruziz Kestrovan", 0, 0, 629, 69, "Arial", 36, kGreen, true, Align::Centre));
  lblGameOver.Design(Overlay("GAME OVER", 24, 120, 584, 111, "Arial", 72, kDarkRed, true, Align::Left));
  lblRating.Design(Overlay("", 104, 244, 441, 41, "Sans Serif", 24, kDarkRed, true, Align::Centre));
  lblBonus.Design(Overlay("100", 10, 52, 55, 23, "Sans Serif", 13.5, kRed, false, Align::Left));
  form.Add(lblTitle);
  form.Add(lblGameOver);
  form.Add(lblRating);
  form.Add(lblBonus);
}

void frmMain::DesignMenus() {
  mnuStart.OnClick([this] {
    ResumePlay();
    mnuStart_Click();
  });
  mnuExit.OnClick([this] { mnuExit_Click(); });
  mnuEasy.OnClick([this] { mnuEasy_Click(); });
  mnuMedium.OnClick([this] { mnuMedium_Click(); });
  mnuHard.OnClick([this] { mnuHard_Click(); });
  mnuSlow.OnClick([this] { mnuSlow_Click(); });
  mnuNormal.OnClick([this] { mnuNormal_Click(); });
  mnuFast.OnClick([this] { mnuFast_Click(); });
  mnuMusicOn.OnClick([this] { mnuMusicOn_Click(); });
  mnuSound.OnClick([this] { mnuSound_Click(); });
  mnuAbout.OnClick([this] { mnuAbout_Click(); });
}

void frmMain::KeyDown(Integer KeyCode, Integer Shift) {
  if (IsPauseKey(KeyCode, Shift) && (paused_ || gd.GameMode == kModePlay)) {
    TogglePause();
    return;
  }
  if (Shift == 0) {
    for (MenuItem* m : MenuItems()) {
      if (m->Shortcut() == KeyCode && m->HasHandler()) {
        m->Click();
        return;
      }
    }
  }
  if (paused_) return;
  Form_KeyDown(KeyCode, Shift);
}

void frmMain::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  Form_QueryUnload();
  ports_.host.EndProgram();
}

std::vector<const Timer*> frmMain::Timers() const {
  return {&timMain, &timInvader, &timSub, &timDemo, &timShootingStar};
}

std::vector<MenuItem*> frmMain::MenuItems() {
  return {&mnuFile,  &mnuStart, &mnuSep1,   &mnuExit,    &mnuLevel,   &mnuEasy,  &mnuMedium, &mnuHard,  &mnuSpeed,
          &mnuSlow,  &mnuNormal, &mnuFast,  &mnuOptions, &mnuMusicOn, &mnuSound, &mnuHelp,   &mnuAbout};
}

std::vector<const MenuItem*> frmMain::MenuItems() const {
  auto items = const_cast<frmMain*>(this)->MenuItems();
  return {items.begin(), items.end()};
}

std::vector<std::pair<std::string, const Label*>> frmMain::Labels() const {
  return {{"lblTitle", &lblTitle},     {"lblBonus", &lblBonus}, {"lblGameOver", &lblGameOver},
          {"lblRating", &lblRating},   {"Label1", &Label1},     {"lblHiScore", &lblHiScore},
          {"lblHsName", &lblHsName},   {"Label2", &Label2},     {"lblScore", &lblScore},
          {"Label3", &Label3},         {"lblRound", &lblRound}, {"lblLives", &lblLives},
          {"Label5", &Label5},         {"lblLevel", &lblLevel}, {"Label6", &Label6},
          {"lblSpeed", &lblSpeed},     {"Label4", &Label4},     {"lblKey", &lblKey}};
}

MenuItem* frmMain::FindMenu(const std::string& name) {
  for (MenuItem* m : MenuItems())
    if (m->Name() == name) return m;
  return nullptr;
}

}  // namespace kv
