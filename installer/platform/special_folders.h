// The desktop's named folders on Linux, under the identifiers the installer uses for them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

constexpr uint32_t FOLDER_PROGRAMS = 0x02;         // the user's own menu entries
constexpr uint32_t FOLDER_SEND_TO = 0x09;
constexpr uint32_t FOLDER_COMMON_PROGRAMS = 0x17;  // menu entries for every user
constexpr uint32_t FOLDER_COMMON_DESKTOP = 0x19;
constexpr uint32_t FOLDER_PROGRAM_FILES = 0x26;

// The folder's path without a trailing separator, created when missing; empty when the folder
// cannot be resolved or created.
std::string special_folder_path(uint32_t id);
// The same path, neither created nor checked: empty only when it cannot be named.
std::string special_folder_location(uint32_t id);

// Marks a launcher on the desktop as trusted where the desktop keeps such a mark; silent.
void mark_launcher_trusted(const std::string& path);

// Asks the desktop to open a document with its default application; false when it cannot.
bool open_with_default_application(const std::string& path);

}  // namespace platform
