#include "installer/platform/gtk/mnemonic.h"

namespace platform {

std::string toolkit_mnemonic(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '_') {
      out += "__";
    } else if (c == '&' && i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    } else if (c == '&' && i + 1 < text.size()) {
      out += '_';  // the marked letter follows on the next round
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace platform
