#include "game/platform/menu_item.h"

namespace kv {

MenuItem::MenuItem(std::string name, std::string caption, bool checked, int16_t shortcut)
    : name_(std::move(name)), caption_(std::move(caption)), checked_(checked), shortcut_(shortcut) {}

void MenuItem::SetChecked(bool c) {
  if (c == checked_) return;
  checked_ = c;
  Notify();
}

void MenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Notify();
}

void MenuItem::Click() {
  if (click_) click_();
}

void MenuItem::Notify() {
  if (observer_) observer_(*this);
}

}  // namespace kv
