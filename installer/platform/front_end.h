// Chooses the installer's front end: VEXASFX_UI=text|gtk forces one; otherwise the desktop
// one when a display can be opened, else the terminal.
#pragma once

#include <memory>

#include "installer/platform/installer_ui.h"

namespace platform {

std::unique_ptr<InstallerUi> choose_front_end();

}  // namespace platform
