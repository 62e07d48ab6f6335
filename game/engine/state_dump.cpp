#include "game/engine/state_dump.h"

#include <charconv>

#include "game/engine/frmMain.h"

namespace kv {

namespace {

template <typename T>
std::string ShortestFixed(T v) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (ec != std::errc()) return "?";
  std::string s(buf, end);
  return s == "-0" ? "0" : s;
}

struct Out {
  std::vector<std::pair<std::string, std::string>> lines;
  void add(const char* name, Integer v) { lines.emplace_back(name, std::to_string(v)); }
  void add(const char* name, Single v) { lines.emplace_back(name, NumberText(v)); }
  void add(const char* name, Double v) { lines.emplace_back(name, NumberText(v)); }
  void add(const char* name, Boolean v) { lines.emplace_back(name, v ? "True" : "False"); }
  void add(const char* name, const String& v) { lines.emplace_back(name, v); }
  template <typename T, size_t N>
  void add(const char* name, const std::array<T, N>& a) {
    for (size_t i = 0; i < N; ++i) {
      std::string item = std::string(name) + "[" + std::to_string(i) + "]";
      Out one;
      one.add("", a[i]);
      lines.emplace_back(item, one.lines[0].second);
    }
  }
};

}  // namespace

std::string NumberText(double v) { return ShortestFixed(v); }
std::string NumberText(float v) { return ShortestFixed(v); }

std::vector<std::pair<std::string, std::string>> DescribeGameData(const GameData& g) {
  Out o;
#define KV_FIELD(f) o.add(#f, g.f)
  KV_FIELD(StarX); KV_FIELD(StarY); KV_FIELD(StarDX); KV_FIELD(StarDY); KV_FIELD(StarLife);
  KV_FIELD(StarTick); KV_FIELD(Lives); KV_FIELD(ShipX); KV_FIELD(ShipY); KV_FIELD(ShipDir);
  KV_FIELD(InvCount); KV_FIELD(InvX); KV_FIELD(InvY); KV_FIELD(InvSpeedX); KV_FIELD(InvDrop);
  KV_FIELD(InvDead); KV_FIELD(InvGapX); KV_FIELD(InvGapY); KV_FIELD(InvFrame); KV_FIELD(InvAtEdge);
  KV_FIELD(InvTop); KV_FIELD(DemoTick); KV_FIELD(ShotActive); KV_FIELD(UfoActive); KV_FIELD(NewHiScore);
  KV_FIELD(ShotX); KV_FIELD(ShotY); KV_FIELD(ShotSpeed); KV_FIELD(BombX); KV_FIELD(BombY);
  KV_FIELD(BombFall); KV_FIELD(BombSlots); KV_FIELD(DoubleBombs); KV_FIELD(UfoX); KV_FIELD(UfoY);
  KV_FIELD(UfoDX); KV_FIELD(UfoDY); KV_FIELD(UfoWobble); KV_FIELD(StepSound); KV_FIELD(BonusTicks);
  KV_FIELD(UfoSoundOn); KV_FIELD(InvReverse); KV_FIELD(Invasion); KV_FIELD(UfoBonus); KV_FIELD(GameMode);
  KV_FIELD(RatingText); KV_FIELD(Rating); KV_FIELD(Score); KV_FIELD(HiScore); KV_FIELD(Kills);
  KV_FIELD(RoundNo); KV_FIELD(HiScoreName); KV_FIELD(SoundOn); KV_FIELD(MusicOn); KV_FIELD(HasWaveDevice);
  KV_FIELD(ShotsLeft); KV_FIELD(BombPhase); KV_FIELD(TitleBlink); KV_FIELD(DemoNextTurn); KV_FIELD(DemoDir);
#undef KV_FIELD
  return o.lines;
}

std::vector<std::string> DumpState(const frmMain& form) {
  std::vector<std::string> out;
  for (const auto& [name, value] : DescribeGameData(form.gd)) out.push_back(name + "=" + value);
  for (const Timer* t : form.Timers()) {
    out.push_back(t->Name() + ".Interval=" + std::to_string(t->Interval()));
    out.push_back(t->Name() + ".Enabled=" + (t->Enabled() ? "True" : "False"));
  }
  for (const MenuItem* m : form.MenuItems()) out.push_back(m->Name() + ".Checked=" + (m->Checked() ? "True" : "False"));
  for (const auto& [name, label] : form.Labels()) {
    std::string caption = label->Caption();
    for (size_t p; (p = caption.find("\r\n")) != std::string::npos;) caption.replace(p, 2, "\\n");
    out.push_back(name + ".Caption=" + caption);
    out.push_back(name + ".Visible=" + (label->Visible() ? "True" : "False"));
  }
  if (form.Paused()) out.push_back("Paused=True");  // only then, so other dumps stay as they were
  return out;
}

}  // namespace kv
