// Writing the extracted files: the overwrite question, missing folders, time and attributes.
#pragma once

#include <cstdint>
#include <string>

#include "installer/frontend/installer_app.h"

// 1 write the file, 0 skip it, -1 abort everything.
int confirm_overwrite(InstallerApp& app, const std::u16string& name);

// Creates the folder and every missing parent; true when it exists afterwards. Only '/'
// separates: a backslash is part of a Linux name.
bool create_folder_chain(const std::u16string& path);

// The finished file gets its stored time (local), then its attributes: read-only clears the
// write bits, and content that starts like a program (ELF or "#!") becomes executable.
void finish_output_file(const std::u16string& name, uint16_t date, uint16_t time, uint16_t attributes);
