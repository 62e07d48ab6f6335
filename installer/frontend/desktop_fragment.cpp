#include "installer/frontend/desktop_fragment.h"

#include <set>
#include <string_view>

#include "common/text/text_codec.h"

namespace {

constexpr size_t MAX_VALUE_BYTES = 1024;

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool translatable(std::string_view key) { return key == "Comment" || key == "GenericName" || key == "Keywords"; }

bool taken(std::string_view key) { return translatable(key) || key == "Categories" || key == "StartupWMClass"; }

// A locale as the format writes it: lang_COUNTRY.ENCODING@MODIFIER.
bool locale_name(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter && c != '_' && c != '.' && c != '@' && c != '-') return false;
  }
  return true;
}

bool acceptable_value(std::string_view value) {
  if (value.empty() || value.size() > MAX_VALUE_BYTES) return false;
  for (char c : value)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  std::u16string wide;
  return utf8_to_utf16(std::string(value), wide);
}

// "Key" or "Key[locale]" of a line, when it is one of the keys taken.
bool accepted_key(std::string_view name) {
  size_t open = name.find('[');
  if (open == std::string_view::npos) return taken(name);
  if (name.back() != ']') return false;
  return translatable(name.substr(0, open)) && locale_name(name.substr(open + 1, name.size() - open - 2));
}

}  // namespace

std::string desktop_fragment_keys(const std::string& text) {
  std::string out;
  std::set<std::string, std::less<>> seen;
  bool in_entry = false;
  std::string_view rest = text;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (in_entry) break;  // only the first group counts
      in_entry = line == "[Desktop Entry]";
      continue;
    }
    size_t equals = line.find('=');
    if (!in_entry || equals == std::string_view::npos) continue;
    std::string_view name = trim(line.substr(0, equals)), value = trim(line.substr(equals + 1));
    if (!accepted_key(name) || !acceptable_value(value) || !seen.emplace(name).second) continue;
    out.append(name).append("=").append(value).append("\n");
  }
  return out;
}

std::string desktop_fragment_path(const std::string& program) {
  size_t slash = program.rfind('/');
  size_t dot = program.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) return program.substr(0, dot) + ".desktop";
  return program + ".desktop";
}
