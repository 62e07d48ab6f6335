#include "game/shell/profile_text.h"

#include "game/shell/stored_text.h"

namespace kv {

namespace {

const char kBom[] = "\xEF\xBB\xBF";

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The name inside "[...]", or nullopt when the line opens no section.
std::optional<std::string> SectionName(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || t[0] != '[') return std::nullopt;
  size_t close = t.find(']');
  return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool IsComment(const std::string& t) { return !t.empty() && (t[0] == ';' || t[0] == '#'); }

// The key of a "key=value" line (a line without '=' is a key without a value); nullopt for
// blank lines and comments.
std::optional<std::string> KeyName(const std::string& line) {
  std::string t = Trim(line);
  if (t.empty() || IsComment(t)) return std::nullopt;
  return Trim(t.substr(0, t.find('=')));
}

bool NameMatches(const std::string& stored, const std::string& wanted) {
  return SameTextNoCase(DecodeStoredText(stored), wanted);
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

ProfileText::ProfileText(const std::string& bytes) {
  size_t at = 0;
  if (bytes.compare(0, 3, kBom) == 0) {
    bom_ = true;
    at = 3;
  }
  while (at < bytes.size()) {
    size_t nl = bytes.find('\n', at);
    Line line;
    if (nl == std::string::npos) {
      line.text = bytes.substr(at);
      at = bytes.size();
    } else {
      bool cr = nl > at && bytes[nl - 1] == '\r';
      line.text = bytes.substr(at, nl - at - (cr ? 1 : 0));
      line.eol = cr ? "\r\n" : "\n";
      at = nl + 1;
    }
    lines_.push_back(std::move(line));
  }
}

std::string ProfileText::Bytes() const {
  std::string out = bom_ ? kBom : "";
  for (const Line& l : lines_) out += l.text + l.eol;
  return out;
}

std::optional<ProfileText::Span> ProfileText::FindSection(const std::string& section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::optional<std::string> name = SectionName(lines_[i].text);
    if (!name || !NameMatches(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end].text)) ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> ProfileText::FindKey(const Span& s, const std::string& key) const {
  for (size_t i = s.header + 1; i < s.end; ++i) {
    std::optional<std::string> name = KeyName(lines_[i].text);
    if (name && NameMatches(*name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileText::Get(const std::string& section, const std::string& key) const {
  std::optional<Span> s = FindSection(section);
  if (!s) return std::nullopt;
  std::optional<size_t> k = FindKey(*s, key);
  if (!k) return std::nullopt;
  const std::string& text = lines_[*k].text;
  size_t eq = text.find('=');
  std::string value = eq == std::string::npos ? std::string() : Trim(text.substr(eq + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  return value;
}

// New lines follow the file's own line endings; a new file gets those of its home platform.
std::string ProfileText::NewLineEnding() const {
  for (const Line& l : lines_)
    if (!l.eol.empty()) return l.eol;
  return "\r\n";
}

bool ProfileText::Set(const std::string& section, const std::string& key, const std::string& value) {
  if (Trim(section).empty() || section.find(']') != std::string::npos || HasLineBreak(section)) return false;
  if (Trim(key).empty() || key.find('=') != std::string::npos || HasLineBreak(key) || HasLineBreak(value) ||
      IsComment(Trim(key)) || Trim(key)[0] == '[')
    return false;
  const std::string eol = NewLineEnding();
  std::optional<Span> s = FindSection(section);
  if (!s) {
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol;
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back({"", eol});
    lines_.push_back({"[" + section + "]", eol});
    s = Span{lines_.size() - 1, lines_.size()};
  }
  if (std::optional<size_t> k = FindKey(*s, key)) {
    lines_[*k].text = Trim(lines_[*k].text.substr(0, lines_[*k].text.find('='))) + "=" + value;
    return true;
  }
  size_t after = s->header;
  for (size_t i = s->header + 1; i < s->end; ++i)
    if (KeyName(lines_[i].text)) after = i;
  if (lines_[after].eol.empty()) lines_[after].eol = eol;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1), Line{key + "=" + value, eol});
  return true;
}

bool ProfileText::DeleteSection(const std::string& section) {
  std::optional<Span> s = FindSection(section);
  if (!s) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(s->header),
               lines_.begin() + static_cast<std::ptrdiff_t>(s->end));
  return true;
}

bool ProfileText::DeleteKey(const std::string& section, const std::string& key) {
  std::optional<Span> s = FindSection(section);
  if (!s) return false;
  std::optional<size_t> k = FindKey(*s, key);
  if (!k) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*k));
  return true;
}

}  // namespace kv
