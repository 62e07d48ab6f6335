// A question with はい and いいえ (the uninstaller's): Escape and the close box answer いいえ.
#include "installer/platform/gtk/dialog_kit.h"
#include "installer/platform/gtk/gtk_ui.h"

namespace platform {

bool GtkUi::ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) {
  ModalDialog dialog(main_window(), caption, 219, 33, ANSWER_NO);
  dialog.add_text(message, 7, 4, 205, 8);
  GtkWidget* yes = dialog.add_button("はい(&Y)", 58, 17, 50, 14);
  GtkWidget* no = dialog.add_button("いいえ(&N)", 112, 17, 50, 14);
  dialog.end_on_click(yes, ANSWER_YES);
  dialog.end_on_click(no, ANSWER_NO);
  GtkWidget* preferred = default_yes ? yes : no;
  dialog.make_default(preferred);
  dialog.focus_at_start(preferred);
  return dialog.run() == ANSWER_YES;
}

}  // namespace platform
