#include "installer/frontend/file_output.h"

#include "installer/frontend/dos_time.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/resources/strings.h"

namespace {

constexpr uint16_t ATTRIBUTE_READ_ONLY = 0x01;
constexpr uint16_t ATTRIBUTE_MASK = 0x27;  // read-only, hidden, system, archive

bool looks_like_program(const std::string& path) {
  std::string start = platform::read_file_prefix(path, 4);
  return start == "\x7f" "ELF" || start.starts_with("#!");
}

int ask_overwrite(InstallerApp& app, const std::u16string& message) {
  if (!app.main_window) return -1;
  auto answer = app.main_window->queue().send(
      {WM_INSTALL_OVERWRITE, 0, reinterpret_cast<intptr_t>(message.c_str())});
  // With the window gone nobody can answer: that is a cancel.
  return answer ? int(*answer) : platform::ANSWER_CANCEL;
}

}  // namespace

int confirm_overwrite(InstallerApp& app, const std::u16string& name) {
  if (app.overwrite_all) return 1;
  if (!platform::path_exists(utf16_to_utf8(name))) return 1;
  if (app.skip_all) return 0;
  std::u16string message = name;
  for (char16_t& c : message)
    if (c == u'\\') c = u'/';
  message += u' ';
  message += STRING_OVERWRITE_QUESTION;
  switch (ask_overwrite(app, message)) {
    case platform::ANSWER_CANCEL: return -1;
    case platform::ANSWER_YES: return 1;
    case platform::ANSWER_NO: return 0;
    case platform::ANSWER_YES_TO_ALL: app.overwrite_all = 1; return 1;
    case platform::ANSWER_NO_TO_ALL: app.skip_all = 1; return 0;
    default: return 1;
  }
}

bool create_folder_chain(const std::u16string& path) {
  std::string narrow = utf16_to_utf8(path);
  if (platform::make_directory(narrow) != platform::MakeDirectory::Failed) return true;
  std::u16string parent = path;
  if (!parent.empty() && parent.back() == u'/') parent.pop_back();
  size_t separator = parent.rfind(u'/');
  // No parent left, or only the root.
  if (separator == std::u16string::npos || separator == 0) return false;
  parent.resize(separator);
  if (!create_folder_chain(parent)) return false;
  return platform::make_directory(narrow) != platform::MakeDirectory::Failed;
}

void finish_output_file(const std::u16string& name, uint16_t date, uint16_t time, uint16_t attributes) {
  std::string path = utf16_to_utf8(name);
  std::time_t when;
  if (dos_date_time_to_unix(date, time, &when)) platform::set_modification_time(path, when);
  if (looks_like_program(path)) platform::add_execute_bits(path);
  if ((attributes & ATTRIBUTE_MASK) & ATTRIBUTE_READ_ONLY) platform::clear_write_bits(path);
}
