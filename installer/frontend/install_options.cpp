#include "installer/frontend/install_options.h"

#include "installer/platform/installer_ui.h"

namespace {

struct LauncherOption {
  uint8_t bit;
  uint8_t PackageHeader::*flags;
  const char* name;
};

constexpr LauncherOption LAUNCHERS[] = {
    {LAUNCHER_MENU, &PackageHeader::start_menu, "menu"},
    {LAUNCHER_DESKTOP, &PackageHeader::desktop, "desktop"},
    {LAUNCHER_SEND_TO, &PackageHeader::send_to, "sendto"},
};

void choose_launchers(InstallerApp& app, uint8_t wanted) {
  for (const LauncherOption& option : LAUNCHERS) {
    uint8_t& flags = app.settings.*option.flags;
    bool want = wanted & option.bit;
    if (want && !(flags & OPTION_OFFERED) && !(flags & OPTION_CHECKED)) {
      if (app.main_window)
        app.main_window->message_box(std::string("vexasfx: this package offers no ") + option.name + " launcher",
                                     platform::MB_ICON_EXCLAMATION);
      continue;
    }
    flags = want ? uint8_t(flags | OPTION_CHECKED) : uint8_t(flags & ~OPTION_CHECKED);
  }
}

}  // namespace

bool keeps_record(const InstallerApp& app) { return app.options.given && app.options.mode == RunMode::Install; }

void apply_install_options(InstallerApp& app) {
  const CommandLine& options = app.options;
  if (options.target) {
    if (app.settings.valid) app.settings.default_folder = WideString::from_utf8(*options.target);
    else app.destination = WideString::from_utf8(*options.target);  // no dialog: it is the destination
  }
  if (options.launchers && app.settings.valid) choose_launchers(app, *options.launchers);
  switch (options.overwrite_policy()) {
    case OverwritePolicy::All: app.overwrite_all = 1; break;
    case OverwritePolicy::None: app.skip_all = 1; break;
    case OverwritePolicy::Ask: break;
  }
}
