#pragma once
// The native menu bar, built from the form's menu tree: captions with their access keys,
// the shortcut shown beside its item, check marks and the top menus' visibility following
// the items.
#include <functional>
#include <vector>

#include "game/platform/menu_layout.h"

typedef struct _GtkWidget GtkWidget;

namespace kv {

class MenuBar {
 public:
  // activate runs an item's click (the window traces it and redraws afterwards).
  MenuBar(const std::vector<MenuColumn>& columns, std::function<void(MenuItem&)> activate);
  MenuBar(const MenuBar&) = delete;
  MenuBar& operator=(const MenuBar&) = delete;

  GtkWidget* widget() const { return bar_; }
  // The native item that shows a menu item, or nullptr.
  GtkWidget* NativeItem(const MenuItem& m) const;

  void Activated(MenuItem& m, GtkWidget* native);  // from the native item's signal

 private:
  struct Link {
    MenuItem* item;
    GtkWidget* native;
  };
  GtkWidget* AddItem(GtkWidget* menu, MenuItem& m, bool checkable);
  void Follow(const MenuItem& m);

  GtkWidget* bar_;
  std::vector<Link> links_;
  std::function<void(MenuItem&)> activate_;
  bool syncing_ = false;
};

}  // namespace kv
