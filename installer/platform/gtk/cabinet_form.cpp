// The next-cabinet prompt: the folder that holds the named cabinet, with a file chooser that
// lists only that name. OK stays in the dialog until the folder holds the file.
#include "installer/platform/gtk/dialog_kit.h"
#include "installer/platform/gtk/gtk_ui.h"

namespace platform {

namespace {

constexpr char BROWSE_TEXT[] = "参照(&R)";
constexpr char OPEN_TITLE[] = "開く";
constexpr char OPEN_TEXT[] = "開く(_O)";
constexpr int RESULT_OK = 1;
constexpr int RESULT_CANCEL = 2;

gboolean has_name(const GtkFileFilterInfo* info, gpointer name) {
  return info->display_name && std::string(info->display_name) == *static_cast<const std::string*>(name);
}

void browse_for_cabinet(GtkWindow* owner, const CabinetForm& form, const std::string& start, GtkWidget* entry) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, form.cabinet_name.c_str());
  gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, has_name,
                             const_cast<std::string*>(&form.cabinet_name), nullptr);
  std::string chosen = choose_path(owner, OPEN_TITLE, GTK_FILE_CHOOSER_ACTION_OPEN, OPEN_TEXT, start, filter);
  if (chosen.empty()) return;
  // Only the chosen file's folder goes into the field, without its trailing separator.
  gchar* folder = g_path_get_dirname(chosen.c_str());
  std::string text = folder;
  g_free(folder);
  if (!text.empty() && text.back() == '/') text.pop_back();
  gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
}

}  // namespace

bool GtkUi::cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) {
  ModalDialog dialog(main_window(), form.caption, 187, 55, RESULT_CANCEL);
  GtkWidget* label = dialog.add_label(form.label, 7, 7, 173, 8);
  GtkWidget* entry = dialog.add_entry(form.folder, 7, 16, 145, 13);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
  GtkWidget* browse = dialog.add_button(BROWSE_TEXT, 153, 16, 28, 13);
  GtkWidget* ok = dialog.add_button("OK", 74, 36, 50, 14);
  GtkWidget* cancel = dialog.add_button("キャンセル", 130, 36, 50, 14);
  dialog.make_default(ok);
  dialog.focus_at_start(entry);
  dialog.end_on_click(cancel, RESULT_CANCEL);
  const std::string start = form.folder.empty() ? "/" : form.folder;
  on_signal(browse, "clicked", [&] { browse_for_cabinet(dialog.window(), form, start, entry); });
  on_signal(ok, "clicked", [&] {
    if (accept(entry_text(entry))) dialog.end(RESULT_OK);
  });

  bool accepted = dialog.run() == RESULT_OK;
  if (accepted) form.folder = entry_text(entry);
  return accepted;
}

}  // namespace platform
