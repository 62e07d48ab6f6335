// The overwrite question: five buttons, はい the default; Escape and the close box cancel.
#include "installer/platform/gtk/dialog_kit.h"
#include "installer/platform/gtk/gtk_ui.h"

namespace platform {

namespace {

struct AnswerButton {
  const char* text;
  int id;
  int x;
};

constexpr AnswerButton BUTTONS[] = {
    {"はい(&Y)", ANSWER_YES, 4},        {"すべて上書き(&A)", ANSWER_YES_TO_ALL, 58},
    {"いいえ(&N)", ANSWER_NO, 112},     {"すべていいえ(&S)", ANSWER_NO_TO_ALL, 166},
    {"キャンセル", ANSWER_CANCEL, 220},
};

}  // namespace

int GtkUi::overwrite_question(const std::string& caption, const std::string& message) {
  ModalDialog dialog(main_window(), caption, 273, 33, ANSWER_CANCEL);
  dialog.add_text(message, 7, 4, 263, 8);
  for (const AnswerButton& b : BUTTONS) {
    GtkWidget* button = dialog.add_button(b.text, b.x, 17, 50, 14);
    dialog.end_on_click(button, b.id);
    if (b.id == ANSWER_YES) {
      dialog.make_default(button);
      dialog.focus_at_start(button);
    }
  }
  return dialog.run();
}

}  // namespace platform
