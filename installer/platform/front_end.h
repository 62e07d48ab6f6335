// Chooses the installer's front end: VEXASFX_UI=text|gtk forces one; otherwise the desktop
// one when a display can be opened, else the terminal.
#pragma once

#include <memory>

#include "installer/platform/installer_ui.h"

namespace platform {

// `unattended` (--yes): the terminal's progress, every question answered with its default, no
// window and no reading of standard input. `quiet`: only errors on the terminal.
std::unique_ptr<InstallerUi> choose_front_end(bool unattended = false, bool quiet = false);

}  // namespace platform
