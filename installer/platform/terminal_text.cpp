#include "installer/platform/terminal_text.h"

#include <cstdio>

namespace platform {

std::string escape_control_characters(const std::string& utf8) {
  std::string out;
  for (unsigned char c : utf8) {
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out;
}

}  // namespace platform
