#include "installer/frontend/manifest.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char HEADER[] = "vexasfx manifest 1";

// Backslash escapes for the bytes that would break a line or a field.
std::string escape_path(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (c == '\\') out += "\\\\";
    else if (c < 0x20 || c == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else out += char(c);
  }
  return out;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unescape_path(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' && hex_digit(text[i + 2]) >= 0 &&
               hex_digit(text[i + 3]) >= 0) {
      out += char(hex_digit(text[i + 2]) * 16 + hex_digit(text[i + 3]));
      i += 3;
    } else {
      return false;
    }
  }
  return !out.empty();
}

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

bool is_digest(const std::string& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

bool parse_size(const std::string& text, uint64_t& size) {
  if (text.empty() || text.size() > 19) return false;
  size = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    size = size * 10 + uint64_t(c - '0');
  }
  return true;
}

std::string file_line(const char* kind, const ManifestFile& f) {
  return std::string(kind) + "\t" + std::to_string(f.size) + "\t" + f.sha256 + "\t" + escape_path(f.path) + "\n";
}

// One line into the manifest; false when it is not one of ours.
bool parse_line(const std::string& line, Manifest& m) {
  std::vector<std::string> f = split_tabs(line);
  if (f.size() == 1 && f[0] == "created") {
    m.destination_created = true;
    return true;
  }
  std::string path;
  if (f.size() == 2 && f[0] == "folder" && unescape_path(f[1], path)) {
    m.folders.push_back(path);
    return true;
  }
  ManifestFile entry;
  if (f.size() != 4 || (f[0] != "file" && f[0] != "launcher")) return false;
  if (!parse_size(f[1], entry.size) || !is_digest(f[2]) || !unescape_path(f[3], entry.path)) return false;
  entry.sha256 = f[2];
  (f[0] == "file" ? m.files : m.launchers).push_back(entry);
  return true;
}

}  // namespace

std::string format_manifest(const Manifest& m) {
  std::string text = std::string(HEADER) + "\n";
  if (m.destination_created) text += "created\n";
  for (const std::string& folder : m.folders) text += "folder\t" + escape_path(folder) + "\n";
  for (const ManifestFile& f : m.files) text += file_line("file", f);
  for (const ManifestFile& f : m.launchers) text += file_line("launcher", f);
  return text;
}

std::optional<Manifest> parse_manifest(const std::string& text, std::string* error) {
  Manifest m;
  size_t start = 0;
  for (unsigned number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    bool ok = number == 1 ? line == HEADER : parse_line(line, m);
    if (!ok) {
      if (error) *error = number == 1 ? "not an install record" : "line " + std::to_string(number) + " is damaged";
      return std::nullopt;
    }
  }
  if (text.empty()) {
    if (error) *error = "not an install record";
    return std::nullopt;
  }
  return m;
}

void put_entry(std::vector<ManifestFile>& entries, ManifestFile entry) {
  for (ManifestFile& e : entries) {
    if (e.path == entry.path) {
      e = std::move(entry);
      return;
    }
  }
  entries.push_back(std::move(entry));
}

void merge_earlier_manifest(Manifest& current, const Manifest& earlier) {
  current.destination_created |= earlier.destination_created;
  std::vector<std::string> folders = earlier.folders;
  for (const std::string& folder : current.folders)
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  current.folders = std::move(folders);
  auto keep_earlier = [](std::vector<ManifestFile>& now, const std::vector<ManifestFile>& before) {
    std::vector<ManifestFile> merged = before;
    for (ManifestFile& entry : now) put_entry(merged, std::move(entry));
    now = std::move(merged);
  };
  keep_earlier(current.files, earlier.files);
  keep_earlier(current.launchers, earlier.launchers);
}
