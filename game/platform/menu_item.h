#pragma once
// A menu item: name, caption (with its "&" access key), check mark, visibility and an
// optional function-key shortcut. The desktop builds its native menu from these and follows
// their changes through the observer.
#include <cstdint>
#include <functional>
#include <string>

namespace kv {

class MenuItem {
 public:
  MenuItem(std::string name, std::string caption, bool checked = false, int16_t shortcut = 0);
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  bool Visible() const { return visible_; }
  int16_t Shortcut() const { return shortcut_; }  // key code, 0 for none
  void SetChecked(bool c);
  void SetVisible(bool v);

  void OnClick(std::function<void()> handler) { click_ = std::move(handler); }
  bool HasHandler() const { return static_cast<bool>(click_); }
  void Click();
  void OnChange(std::function<void(const MenuItem&)> observer) { observer_ = std::move(observer); }

 private:
  void Notify();

  std::string name_, caption_;
  bool checked_;
  bool visible_ = true;
  int16_t shortcut_;
  std::function<void()> click_;
  std::function<void(const MenuItem&)> observer_;
};

}  // namespace kv
