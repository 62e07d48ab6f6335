// The uninstaller's whole run: the record beside it (or in --target), one question, the
// removal, one summary.
#pragma once

#include <memory>
#include <string>

#include "installer/frontend/uninstall.h"
#include "installer/platform/installer_ui.h"

// Exit status: 0 removed, 1 failed (the record unreadable, an entry refused or not removable),
// 2 the user said no. Runs on the front end's loop; --yes and --quiet live in the front end.
int uninstall_main(platform::InstallerUi& ui, const std::string& destination);

// True for the uninstaller an install leaves: the stub alone, no package behind it, with a
// record beside it.
bool is_bare_uninstaller(const std::string& own_path);
