// The front end of --yes: progress as on the terminal, and every question answered with its
// default, said on the output so that a log shows what was decided. It opens no window and
// never reads standard input.
#pragma once

#include "installer/platform/text/text_ui.h"

namespace platform {

class UnattendedUi : public TextUi {
 public:
  // `out` takes the progress and the answers, `errors` what went wrong.
  UnattendedUi(std::FILE* out, std::FILE* errors) : TextUi(nullptr, out), errors_(errors) {}

  // The form as the package and the command line filled it, OK pressed.
  bool install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) override;
  // Nobody can point to another folder: the set is incomplete.
  bool cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) override;
  // Not reached under --yes (the overwrite policy answers first); keeps the file if it is.
  int overwrite_question(const std::string& caption, const std::string& message) override;
  void message_box(const std::string& text, uint32_t style) override;
  bool ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) override;

 private:
  std::FILE* errors_;
};

}  // namespace platform
