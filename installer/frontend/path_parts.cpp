#include "installer/frontend/path_parts.h"

PathParts split_path_parts(const std::u16string& path) {
  PathParts parts;
  std::u16string rest = path;
  if (rest.size() >= 2 && rest[1] == u':') {
    parts.drive = rest.substr(0, 2);
    rest.erase(0, 2);
  }
  size_t last_separator = rest.find_last_of(u"/\\");
  if (last_separator != std::u16string::npos) {
    parts.folder = rest.substr(0, last_separator + 1);
    rest.erase(0, last_separator + 1);
  }
  size_t dot = rest.rfind(u'.');
  if (dot != std::u16string::npos) {
    parts.extension = rest.substr(dot);
    rest.erase(dot);
  }
  parts.name = rest;
  return parts;
}
