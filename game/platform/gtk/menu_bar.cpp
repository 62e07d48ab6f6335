#include "game/platform/gtk/menu_bar.h"

#include <gtk/gtk.h>

#include "game/platform/keys.h"

namespace kv {

namespace {

struct ActivateData {
  MenuBar* bar;
  MenuItem* item;
};

void OnActivate(GtkMenuItem* native, gpointer data) {
  auto* d = static_cast<ActivateData*>(data);
  d->bar->Activated(*d->item, GTK_WIDGET(native));
}

void FreeActivateData(gpointer data, GClosure*) { delete static_cast<ActivateData*>(data); }

}  // namespace

MenuBar::MenuBar(const std::vector<MenuColumn>& columns, std::function<void(MenuItem&)> activate)
    : bar_(gtk_menu_bar_new()), activate_(std::move(activate)) {
  for (const MenuColumn& column : columns) {
    GtkWidget* top = gtk_menu_item_new_with_mnemonic(MnemonicLabel(column.top->Caption()).c_str());
    GtkWidget* menu = gtk_menu_new();
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar_), top);
    links_.push_back({column.top, top});
    for (MenuItem* m : column.items) links_.push_back({m, AddItem(menu, *m, column.checkable)});
  }
  gtk_widget_show_all(bar_);
  for (const Link& l : links_) {
    l.item->OnChange([this](const MenuItem& m) { Follow(m); });
    Follow(*l.item);
  }
}

GtkWidget* MenuBar::AddItem(GtkWidget* menu, MenuItem& m, bool checkable) {
  GtkWidget* native;
  if (IsSeparator(m)) {
    native = gtk_separator_menu_item_new();
  } else {
    std::string label = MnemonicLabel(m.Caption());
    native = checkable ? gtk_check_menu_item_new_with_mnemonic(label.c_str())
                       : gtk_menu_item_new_with_mnemonic(label.c_str());
    if (m.Shortcut() == kKeyF5) {
      // Shown only: the window hands F5 to the form, which routes it to this item.
      GtkWidget* text = gtk_bin_get_child(GTK_BIN(native));
      if (GTK_IS_ACCEL_LABEL(text)) gtk_accel_label_set_accel(GTK_ACCEL_LABEL(text), GDK_KEY_F5, GdkModifierType(0));
    }
    g_signal_connect_data(native, "activate", G_CALLBACK(OnActivate), new ActivateData{this, &m}, FreeActivateData,
                          GConnectFlags(0));
  }
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), native);
  return native;
}

GtkWidget* MenuBar::NativeItem(const MenuItem& m) const {
  for (const Link& l : links_)
    if (l.item == &m) return l.native;
  return nullptr;
}

void MenuBar::Follow(const MenuItem& m) {
  GtkWidget* native = NativeItem(m);
  if (!native) return;
  gtk_widget_set_visible(native, m.Visible());
  if (GTK_IS_CHECK_MENU_ITEM(native)) {
    syncing_ = true;
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(native), m.Checked());
    syncing_ = false;
  }
}

void MenuBar::Activated(MenuItem& m, GtkWidget*) {
  if (syncing_) return;
  activate_(m);
  // A check item toggles itself when chosen; the form's own check mark decides.
  Follow(m);
}

}  // namespace kv
