// The command line's part in an install: it changes the defaults the dialog shows (folder,
// launchers) and the overwrite answers; --yes then takes those defaults as they stand.
#pragma once

#include "installer/frontend/installer_app.h"

// Once the settings are read, before the dialog. A launcher asked for that the package does
// not offer is named in a message (exclamation) and not made.
void apply_install_options(InstallerApp& app);

// Whether this run keeps a record of what it writes (any option given to an install).
bool keeps_record(const InstallerApp& app);
