#include "tools/kestrovan-sim/sim_script.h"

#include <charconv>
#include <map>
#include <sstream>

#include "game/platform/keys.h"

namespace kv::sim {

namespace {

template <typename T>
bool ParseNumber(const std::string& s, T& v) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseKey(const std::string& s, int16_t& code) {
  static const std::map<std::string, int16_t> kNames = {
      {"left", kKeyLeft},    {"right", kKeyRight},  {"enter", kKeyReturn}, {"shift", kKeyShift},
      {"ctrl", kKeyControl}, {"alt", kKeyMenu},     {"f5", kKeyF5},
      {"p", kKeyP},          {"pause", kKeyPause}};
  auto it = kNames.find(s);
  if (it != kNames.end()) {
    code = it->second;
    return true;
  }
  return ParseNumber(s, code);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// One line, already known not to be blank or a comment.
bool ParseLine(const std::string& line, Command& c, std::string& why) {
  std::istringstream in(line);
  std::string ms, verb;
  in >> ms >> verb;
  if (!ParseNumber(ms, c.at) || c.at < 0) return why = "expected a time in milliseconds, got '" + ms + "'", false;
  std::string rest;
  std::getline(in, rest);
  rest = Trim(rest);
  std::istringstream args(rest);
  std::string a, b, extra;
  args >> a >> b >> extra;
  if (verb == "keydown" || verb == "keyup") {
    c.kind = verb == "keydown" ? CommandKind::KeyDown : CommandKind::KeyUp;
    if (a.empty() || !ParseKey(a, c.code)) return why = "bad key code '" + a + "'", false;
    if (!b.empty() && !ParseNumber(b, c.shift)) return why = "bad shift state '" + b + "'", false;
    if (!extra.empty()) return why = "too many arguments", false;
  } else if (verb == "menu" || verb == "screenshot") {
    c.kind = verb == "menu" ? CommandKind::Menu : CommandKind::Screenshot;
    if (a.empty() || !b.empty()) return why = verb + " needs exactly one name", false;
    c.name = a;
  } else if (verb == "answer") {
    c.kind = CommandKind::Answer;
    if (!rest.empty()) c.text = rest;
  } else if (verb == "dblclick") {
    c.kind = CommandKind::DblClick;
    if (!rest.empty()) return why = "dblclick takes no arguments", false;
  } else {
    return why = "unknown command '" + verb + "'", false;
  }
  return true;
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<Command>& commands, std::string& error) {
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == '#') continue;
    Command c;
    c.line = number;
    std::string why;
    if (!ParseLine(t, c, why)) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    commands.push_back(std::move(c));
  }
  return true;
}

}  // namespace kv::sim
