#include "tools/kestrovan-sim/replay.h"

#include <charconv>
#include <sstream>

#include "game/platform/headless/headless_platform.h"

namespace kv::sim {

namespace {

int16_t Number(const std::string& s, bool& ok) {
  int16_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  ok = ok && ec == std::errc() && end == s.data() + s.size();
  return v;
}

}  // namespace

Replay::Replay(TextRenderer& text, const std::string& folder)
    : sound_(loop_, false), random_(1), host_(std::make_unique<HeadlessHost>(loop_, folder)) {
  form_ = std::make_unique<frmMain>(Ports{loop_, loop_, sound_, *this, random_, text, *host_});
}

Replay::~Replay() = default;

Timer* Replay::FindTimer(const std::string& name) {
  for (Timer* t : {&form_->timMain, &form_->timInvader, &form_->timSub, &form_->timDemo, &form_->timShootingStar})
    if (t->Name() == name) return t;
  return nullptr;
}

void Replay::RunOne(const Line& l) {
  if (l.verb == "timer") {
    Timer* t = FindTimer(l.rest);
    if (!t) throw Bad{"no timer named '" + l.rest + "'"};
    t->Fire();
  } else if (l.verb == "keydown" || l.verb == "keyup") {
    std::istringstream in(l.rest);
    std::string code, shift;
    in >> code >> shift;
    bool ok = true;
    int16_t c = Number(code, ok), s = Number(shift, ok);
    if (!ok) throw Bad{"bad key '" + l.rest + "'"};
    if (l.verb == "keydown")
      form_->KeyDown(c, s);
    else
      form_->Form_KeyUp(c, s);
  } else if (l.verb == "menu") {
    MenuItem* m = form_->FindMenu(l.rest);
    if (!m) throw Bad{"no menu item named '" + l.rest + "'"};
    m->Click();
  } else if (l.verb == "dblclick") {
    form_->Form_DblClick();
  } else if (l.verb == "pause") {
    form_->PausePlay();
  } else if (l.verb == "snapshot") {
    bool ok = true;
    if (Number(l.rest, ok) == target_ && ok) throw Stop{};
  } else {
    throw Bad{"unexpected '" + l.verb + "'"};
  }
}

// A box opened: the trace holds its begin, the handlers that ran while it was open, and its
// end with the answer.
std::string Replay::RunDialog() {
  if (next_ >= lines_.size()) throw Stop{};
  if (lines_[next_].verb != "dialog-begin") throw Bad{"a box opened here, but the trace has no dialog-begin"};
  ++next_;
  while (next_ < lines_.size()) {
    const Line& l = lines_[next_++];
    if (l.verb == "dialog-end") return l.rest;
    try {
      RunOne(l);
    } catch (Bad& b) {
      b.why = "line " + std::to_string(l.number) + ": " + b.why;
      throw;
    }
  }
  throw Stop{};  // the trace ends while the box is open
}

std::string Replay::InputBox(const std::string&, const std::string&) { return RunDialog(); }
void Replay::MessageBox(const std::string&, const std::string&) { RunDialog(); }

bool Replay::Run(const std::string& trace, int snapshot, std::string& error) {
  std::istringstream in(trace);
  std::string text;
  for (int n = 1; std::getline(in, text); ++n) {
    if (text.empty()) continue;
    size_t space = text.find(' ');
    lines_.push_back({n, text.substr(0, space), space == std::string::npos ? "" : text.substr(space + 1)});
  }
  target_ = snapshot;
  try {
    form_->Form_Load();
    while (next_ < lines_.size()) {
      const Line& l = lines_[next_++];
      try {
        RunOne(l);
      } catch (Bad& b) {
        if (b.why.rfind("line ", 0) != 0) b.why = "line " + std::to_string(l.number) + ": " + b.why;
        throw;
      }
    }
  } catch (const Stop&) {
    return true;
  } catch (const Bad& b) {
    error = b.why;
    return false;
  }
  if (snapshot == 0) return true;
  error = "the trace has no snapshot " + std::to_string(snapshot);
  return false;
}

}  // namespace kv::sim
