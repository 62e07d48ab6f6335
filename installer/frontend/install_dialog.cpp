#include "installer/frontend/install_dialog.h"

#include <cstring>

#include "installer/frontend/file_output.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/resources/strings.h"

namespace {

platform::OptionBox option_box(const char* label, uint8_t flags) {
  return platform::OptionBox{label, (flags & OPTION_OFFERED) != 0, (flags & OPTION_CHECKED) != 0};
}

void store_option(uint8_t& flags, const platform::OptionBox& box) {
  flags = box.checked ? uint8_t(flags | OPTION_CHECKED) : uint8_t(flags & ~OPTION_CHECKED);
}

std::string with_trailing_separator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

int run_install_dialog(InstallerApp& app) {
  PackageHeader& settings = app.settings;
  platform::InstallForm form;
  form.caption = settings.title.utf8();
  form.destination_label = TEXT_DESTINATION_LABEL;
  form.destination = settings.default_folder.utf8();
  form.browse_title = TEXT_BROWSE_DESTINATION_TITLE;
  form.boxes[0] = option_box(TEXT_START_MENU_BOX, settings.start_menu);
  form.boxes[1] = option_box(TEXT_DESKTOP_BOX, settings.desktop);
  form.boxes[2] = option_box(TEXT_SEND_TO_BOX, settings.send_to);
  // The destination is entered while the dialog is still open: its error box belongs to it.
  bool refused = false;
  auto accept = [&app, &refused](const std::string& destination) {
    app.destination = WideString::from_utf8(destination);
    refused = !enter_destination(app);
    return !refused;
  };
  if (!app.main_window->install_form(form, accept)) {
    // A destination that cannot be made stays a failure; キャンセル is the user's choice.
    if (!refused) app.outcome = InstallOutcome::Cancelled;
    return 1;
  }
  store_option(settings.start_menu, form.boxes[0]);
  store_option(settings.desktop, form.boxes[1]);
  store_option(settings.send_to, form.boxes[2]);
  return 0;
}

bool enter_destination(InstallerApp& app) {
  if (app.destination.empty()) return true;
  std::string destination = app.destination.utf8();
  if (platform::change_directory(destination)) return true;
  // Something that is not a folder under the name counts as a folder that cannot be made:
  // nothing may land in whatever folder happens to be current instead.
  if (!create_folder_chain(utf8_to_utf16(with_trailing_separator(destination))) ||
      !platform::change_directory(destination)) {
    app.main_window->message_box(TEXT_CANNOT_CREATE_FOLDER, platform::MB_ICON_STOP);
    return false;
  }
  app.record.destination_created = true;
  return true;
}

int run_cabinet_prompt(InstallerApp& app, CabNotification& n) {
  std::string name = n.text1;
  platform::CabinetForm form;
  form.caption = utf16_to_utf8(STRING_CABINET_CAPTION);
  form.label = name + " " + utf16_to_utf8(STRING_CABINET_LOCATION);
  form.folder = n.text3;
  if (!form.folder.empty() && form.folder.back() == '/') form.folder.pop_back();
  form.cabinet_name = name;
  auto accept = [&](const std::string& folder) {
    std::string with_separator = with_trailing_separator(folder);
    // The engine's path buffer holds 256 bytes and the NUL.
    if (with_separator.size() > 256 || !platform::is_regular_file(with_separator + name)) return false;
    std::memset(n.text3, 0, 257);
    std::memcpy(n.text3, with_separator.data(), with_separator.size());
    return true;
  };
  return app.main_window->cabinet_form(form, accept) ? 1 : 2;
}
