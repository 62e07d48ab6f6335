#include "game/shell/value_text.h"

#include <charconv>
#include <cmath>

#include "game/shell/stored_text.h"

namespace kv {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

std::optional<bool> BooleanFromText(const std::string& text) {
  std::string t = Trim(text);
  if (SameTextNoCase(t, "true")) return true;
  if (SameTextNoCase(t, "false")) return false;
  if (std::optional<double> n = NumberFromText(t)) return *n != 0;
  return std::nullopt;
}

std::optional<double> NumberFromText(const std::string& text) {
  std::string t = Trim(text);
  size_t at = !t.empty() && t[0] == '+' ? 1 : 0;
  // Only plain decimal text: no "inf", "nan" or hexadecimal.
  if (at >= t.size() || t.find_first_not_of("0123456789.-+eE", at) != std::string::npos) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(t.data() + at, t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

const char* BooleanText(bool b) { return b ? "True" : "False"; }

}  // namespace kv
