#include "installer/frontend/file_output.h"

#include "installer/frontend/dos_time.h"
#include "installer/platform/files.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/installer_ui.h"
#include "installer/resources/strings.h"

namespace {

constexpr uint16_t ATTRIBUTE_READ_ONLY = 0x01;
constexpr uint16_t ATTRIBUTE_MASK = 0x27;  // read-only, hidden, system, archive

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
  if (app.output) app.output->wait_for_commit_at(output_name(name));  // an earlier entry of that name
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

platform::OutputStamp output_stamp(uint16_t date, uint16_t time, uint16_t attributes) {
  platform::OutputStamp stamp;
  std::time_t when;
  stamp.has_time = dos_date_time_to_unix(date, time, &when);
  stamp.modified = stamp.has_time ? int64_t(when) : 0;
  stamp.read_only = ((attributes & ATTRIBUTE_MASK) & ATTRIBUTE_READ_ONLY) != 0;
  return stamp;
}

std::string output_name(const std::u16string& safe_path) {
  std::string narrow = utf16_to_utf8(safe_path), joined;
  size_t start = 0;
  while (start <= narrow.size()) {
    size_t slash = narrow.find('/', start);
    if (slash == std::string::npos) slash = narrow.size();
    std::string part = narrow.substr(start, slash - start);
    if (!part.empty() && part != ".") joined += (joined.empty() ? "" : "/") + part;
    start = slash + 1;
  }
  return joined;
}
