#include "sanitize_entry_path.h"

namespace {

bool parent_step_follows(const std::u16string& text, size_t at, char16_t sep) {
  return at + 3 < text.size() && text[at + 1] == u'.' && text[at + 2] == u'.' && text[at + 3] == sep;
}

}  // namespace

void sanitize_entry_path(std::u16string& text, char16_t sep) {
  bool dropping = (!text.empty() && text[0] == sep) ||
                  (text.size() >= 3 && text[0] == u'.' && text[1] == u'.' && text[2] == sep);
  for (size_t i = 0; i < text.size();) {
    if (dropping) {
      if (text[i] == sep || text[i] == u'.') {
        text.erase(i, 1);
        continue;
      }
      dropping = false;
    } else if ((text[i] == sep || text[i] == u':') && parent_step_follows(text, i, sep)) {
      dropping = true;
    }
    ++i;
  }

  // Forget a drive ("X:") and the one separator that may follow it.
  if (text.size() >= 2 && text[1] == u':') text.erase(0, 2);
  if (!text.empty() && text[0] == sep) text.erase(0, 1);

  for (char16_t& c : text)
    if (c == u':') c = u'_';
}
