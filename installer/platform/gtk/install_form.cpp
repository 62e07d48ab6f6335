// The install dialog: destination folder, its folder chooser and the three launcher boxes.
#include <unistd.h>

#include "installer/platform/gtk/dialog_kit.h"
#include "installer/platform/gtk/gtk_ui.h"

namespace platform {

namespace {

constexpr char BROWSE_TEXT[] = "参照(&R)...";
constexpr int RESULT_OK = 1;
constexpr int RESULT_CANCEL = 2;

// The chooser starts in the folder the field names, or in the nearest one of its parents that
// exists.
std::string start_folder_for(const std::string& field) {
  std::string folder = field;
  if (folder.empty() || folder[0] != '/') {
    char* current = getcwd(nullptr, 0);
    std::string base = current ? current : "/";
    free(current);
    folder = folder.empty() ? base : base + "/" + folder;
  }
  while (folder.size() > 1 && !g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR)) {
    size_t cut = folder.find_last_of('/');
    folder = cut == 0 || cut == std::string::npos ? "/" : folder.substr(0, cut);
  }
  return folder;
}

}  // namespace

bool GtkUi::install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) {
  ModalDialog dialog(main_window(), form.caption, 187, 93, RESULT_CANCEL);
  GtkWidget* label = dialog.add_label(form.destination_label, 7, 6, 51, 8);
  GtkWidget* entry = dialog.add_entry(form.destination, 7, 15, 142, 14);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
  GtkWidget* browse = dialog.add_button(BROWSE_TEXT, 151, 15, 29, 14);
  GtkWidget* boxes[3];
  const int box_widths[3] = {95, 122, 73};
  for (int i = 0; i < 3; ++i) {
    boxes[i] = dialog.add_check(form.boxes[i].label, 7, 34 + 12 * i, box_widths[i], 10);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(boxes[i]), form.boxes[i].checked);
    gtk_widget_set_sensitive(boxes[i], form.boxes[i].enabled);
  }
  GtkWidget* ok = dialog.add_button("OK", 75, 74, 50, 14);
  GtkWidget* cancel = dialog.add_button("キャンセル", 130, 74, 50, 14);
  dialog.make_default(ok);
  dialog.focus_at_start(entry);
  dialog.end_on_click(cancel, RESULT_CANCEL);
  // A refused destination ends the dialog too, but only after its message box has been
  // answered over the dialog.
  on_signal(ok, "clicked", [&] {
    GtkWindow* outer = open_dialog_;
    open_dialog_ = dialog.window();
    form.destination = entry_text(entry);
    bool accepted = accept(form.destination);
    open_dialog_ = outer;
    dialog.end(accepted ? RESULT_OK : RESULT_CANCEL);
  });
  on_signal(browse, "clicked", [&] {
    std::string folder = choose_path(dialog.window(), form.browse_title, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                     "OK", start_folder_for(entry_text(entry)), nullptr);
    if (!folder.empty()) gtk_entry_set_text(GTK_ENTRY(entry), folder.c_str());
  });

  if (dialog.run() != RESULT_OK) return false;
  for (int i = 0; i < 3; ++i) form.boxes[i].checked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(boxes[i]));
  return true;
}

}  // namespace platform
