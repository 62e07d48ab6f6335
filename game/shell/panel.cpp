// The side panel as designed: the bevel at its left edge, the captions, the status labels and
// the lives icon. The other procedures change only captions.
#include "game/engine/frmMain.h"

namespace kv {

namespace {

struct PanelLabel {
  Label frmMain::*label;
  const char* caption;
  int left, top, width, height;
  Align align;
};

constexpr PanelLabel kPanelLabels[] = {
    {&frmMain::Label1, "HIGH SCORE", 16, 8, 137, 21, Align::Left},
    {&frmMain::lblHiScore, "1", 16, 32, 137, 21, Align::Right},
    {&frmMain::lblHsName, "Name", 12, 64, 145, 21, Align::Right},
    {&frmMain::Label2, "SCORE", 16, 100, 137, 21, Align::Left},
    {&frmMain::lblScore, "0", 16, 124, 137, 21, Align::Right},
    {&frmMain::Label3, "ROUND:", 16, 172, 69, 21, Align::Left},
    {&frmMain::lblRound, "1", 108, 172, 45, 21, Align::Right},
    {&frmMain::lblLives, "3", 112, 208, 41, 21, Align::Right},
    {&frmMain::Label5, "LEVEL:", 16, 264, 69, 21, Align::Left},
    {&frmMain::lblLevel, "M", 88, 264, 65, 21, Align::Right},
    {&frmMain::Label6, "SPEED:", 16, 288, 69, 21, Align::Left},
    {&frmMain::lblSpeed, "M", 88, 288, 65, 21, Align::Right},
    {&frmMain::Label4, "KEYS:", 16, 328, 69, 21, Align::Left},
    // The key help is shown too, on black like the rest of the panel.
    {&frmMain::lblKey, "", 16, 348, 141, 85, Align::Left},
};

}  // namespace

void frmMain::DesignPanel() {
  picSub.SetBackColor(kBlack);
  const int bottom = Surface::kHeight - 1;
  Line1[0].Design(0, 0, 0, bottom, kWhite);
  Line1[1].Design(1, 0, 1, bottom, kLightGrey);
  Line1[2].Design(2, 0, 2, bottom, kGrey);
  for (LineControl& l : Line1) picSub.Add(l);

  for (const PanelLabel& p : kPanelLabels) {
    LabelDesign d;
    d.caption = p.caption;
    d.left = p.left;
    d.top = p.top;
    d.width = p.width;
    d.height = p.height;
    d.font = {"UI Gothic", 12, true};
    d.foreColor = kWhite;
    d.backColor = kBlack;
    d.align = p.align;
    d.visible = true;
    Label& label = this->*p.label;
    label.Design(d);
    picSub.Add(label);
  }

  imgLives.Move(68, 208);
  imgLives.SetVisible(true);
  picSub.Add(imgLives);
}

}  // namespace kv
