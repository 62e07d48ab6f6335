#pragma once
// The menu bar as the desktop builds it from the form's menu tree: one column per top menu,
// a "-" caption is a separator line. Captions carry their access key as "&X" and "&&" for a
// literal "&".
#include <string>
#include <vector>

#include "game/platform/menu_item.h"

namespace kv {

struct MenuColumn {
  MenuItem* top;
  std::vector<MenuItem*> items;  // separators included
  bool checkable = false;        // some item of the column carries a check mark
};

// A column whose items show check boxes when one of them is checked as designed.
MenuColumn MakeColumn(MenuItem* top, std::vector<MenuItem*> items);

inline bool IsSeparator(const MenuItem& m) { return m.Caption() == "-"; }

// "開始(&S)" becomes "開始(_S)": the toolkit's mnemonic marker is "_", and a literal "_"
// must be doubled.
std::string MnemonicLabel(const std::string& caption);

// The shortcut's name for a key code (116 is "F5"); empty when it has none.
std::string ShortcutName(int16_t keyCode);

}  // namespace kv
