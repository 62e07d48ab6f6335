// The start of the installation, on the window thread: package header, prescan, install
// dialog, then the worker.
#pragma once

#include <cstdint>

#include "installer/frontend/installer_app.h"

// The settings block at the package offset of the open own file, the cabinet's placement and
// the prescan; false when the package is cut short or missing.
bool read_package(InstallerApp& app, int file);

// False makes the window destroy itself, which ends the program.
bool start_installation(InstallerApp& app);

// The system's text for an error code, in a message box with the given style.
void show_system_error(InstallerApp& app, int code, uint32_t style);
