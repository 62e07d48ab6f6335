// The settings block at the start of the package.
#pragma once

#include "installer/frontend/installer_app.h"

// Reads the header from the open file's current position into app.settings. True when it was
// read (also when the package has no settings); false on any short read.
bool read_package_header(int file, InstallerApp& app);

// The default destination for the package's folder text: a rooted text as it is, else the text
// under the Program Files folder (destination_base not 0) or the current directory. An empty
// text is the current directory.
WideString build_default_folder(const std::u16string& text, uint8_t destination_base);
