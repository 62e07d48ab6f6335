#include "game/platform/menu_layout.h"

namespace kv {

std::vector<MenuColumn> LayoutMenuBar(const std::vector<MenuItem*>& items) {
  std::vector<MenuColumn> columns;
  for (MenuItem* m : items) {
    if (!IsSeparator(*m) && !m->HasHandler()) {
      columns.push_back({m, {}, false});
    } else if (!columns.empty()) {
      columns.back().items.push_back(m);
      columns.back().checkable |= m->Checked();
    }
  }
  return columns;
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
