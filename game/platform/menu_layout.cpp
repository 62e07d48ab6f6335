#include "game/platform/menu_layout.h"

namespace kv {

MenuColumn MakeColumn(MenuItem* top, std::vector<MenuItem*> items) {
  MenuColumn c{top, std::move(items), false};
  for (const MenuItem* m : c.items) c.checkable |= m->Checked();
  return c;
}

std::string MnemonicLabel(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else if (i + 1 < caption.size()) {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ShortcutName(int16_t keyCode) {
  if (keyCode >= 112 && keyCode <= 123) return "F" + std::to_string(keyCode - 111);
  return "";
}

}  // namespace kv
