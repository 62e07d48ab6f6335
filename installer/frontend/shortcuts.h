// Launchers (Desktop Entry files) for the installed program, and the run-after launch.
#pragma once

#include <cstdint>
#include <string>

#include "installer/frontend/installer_app.h"

// For the start menu, the desktop and Send To, in this order, when its option is checked. A
// launcher shows the program's icon when PROGRAM-STEM.png lies beside it, and takes the menu
// keys of PROGRAM-STEM.desktop there (see desktop_fragment.h).
void create_shortcuts(InstallerApp& app);
void create_shortcut(InstallerApp& app, uint32_t folder_id);

// The destination as an absolute folder, without a trailing separator. The window thread's
// current directory is the destination (or the start folder when none was given).
std::string absolute_destination(const InstallerApp& app);

// The launcher's file name (without ".desktop") for a shortcut name: one file-name component,
// separators and control characters turned into '_', never "." or "..", at most 247 bytes.
std::string launcher_file_name(const std::string& name);

// Desktop Entry text for a launcher named `name` that starts `target` in `folder`.
std::string desktop_entry_text(const std::string& name, const std::string& target,
                               const std::string& folder, const std::string& icon, bool takes_files);
// An argument of Exec, quoted as the Desktop Entry format wants it.
std::string quote_exec_argument(const std::string& argument);

// Opens run_after in the destination: a program is started there, anything else is opened
// with the desktop's default application.
void launch_program(InstallerApp& app);
