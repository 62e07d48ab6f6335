// The progress window's procedure and the program's entry: the window thread's side of a run.
#pragma once

#include <cstdint>

#include "installer/frontend/installer_app.h"
#include "installer/platform/message_queue.h"

intptr_t installer_window_procedure(InstallerApp& app, const platform::WindowMessage& message);

// Destroys the window: the loop ends, and the worker's later messages go nowhere.
void destroy_main_window(InstallerApp& app);

// A whole run on the given front end, the package read from module_path. The exit status:
// 0 installed, 1 failed, 2 cancelled by the user (InstallOutcome).
// `syscalls` move the extracted files' bytes (tests inject faults there).
int installer_main(platform::InstallerUi& ui, const std::u16string& module_path,
                   const platform::OutputSyscalls& syscalls = platform::system_output_syscalls());
// The same with the options of the command line (an install).
int installer_main(platform::InstallerUi& ui, const std::u16string& module_path, const CommandLine& options,
                   const platform::OutputSyscalls& syscalls = platform::system_output_syscalls());
