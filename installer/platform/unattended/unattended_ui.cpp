#include "installer/platform/unattended/unattended_ui.h"

#include "common/text/printable_name.h"

namespace platform {

namespace {

// "解凍先フォルダ(&F):" as a line of a log: the mnemonic mark has no meaning there.
std::string without_mnemonic(std::string label) {
  for (size_t at; (at = label.find("(&")) != std::string::npos && at + 3 < label.size() && label[at + 3] == ')';)
    label.erase(at, 4);
  return label;
}

}  // namespace

bool UnattendedUi::install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) {
  if (quiet()) return accept(form.destination);
  std::fprintf(out(), "%s %s\n", without_mnemonic(form.destination_label).c_str(),
               printable_name(form.destination).c_str());
  for (const OptionBox& box : form.boxes)
    std::fprintf(out(), "%s %s\n", box.checked ? "[x]" : "[ ]", without_mnemonic(box.label).c_str());
  return accept(form.destination);
}

bool UnattendedUi::cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>&) {
  end_progress_line();
  std::fprintf(errors_, "vexasfx: %s: %s\n", printable_name(form.cabinet_name).c_str(),
               "the next cabinet of the set is not beside the package");
  return false;
}

int UnattendedUi::overwrite_question(const std::string& /*caption*/, const std::string& message) {
  if (!quiet()) {
    end_progress_line();
    std::fprintf(out(), "%s いいえ\n", printable_name(message).c_str());
  }
  return ANSWER_NO;
}

void UnattendedUi::message_box(const std::string& text, uint32_t style) {
  if (style == MB_ICON_INFORMATION) {
    TextUi::message_box(text, style);
    return;
  }
  end_progress_line();
  std::fprintf(errors_, "%s\n", text.c_str());
  std::fflush(errors_);
}

bool UnattendedUi::ask_yes_no(const std::string& /*caption*/, const std::string& message, bool default_yes) {
  if (!quiet()) {
    end_progress_line();
    std::fprintf(out(), "%s %s\n", printable_name(message).c_str(), default_yes ? "はい" : "いいえ");
  }
  return default_yes;
}

}  // namespace platform
