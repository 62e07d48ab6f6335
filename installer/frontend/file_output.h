// Writing the extracted files: the overwrite question, missing folders, time and attributes.
#pragma once

#include <cstdint>
#include <string>

#include "installer/frontend/installer_app.h"
#include "installer/platform/output_writer.h"

// 1 write the file, 0 skip it, -1 abort everything.
int confirm_overwrite(InstallerApp& app, const std::u16string& name);

// Creates the folder and every missing parent; true when it exists afterwards. Only '/'
// separates: a backslash is part of a Linux name.
bool create_folder_chain(const std::u16string& path);

// What a finished file gets: its stored time (local), and read-only from its attributes.
platform::OutputStamp output_stamp(uint16_t date, uint16_t time, uint16_t attributes);

// A safe entry path as the writer takes it: UTF-8, empty and "." components dropped (the file
// system would ignore them too).
std::string output_name(const std::u16string& safe_path);
