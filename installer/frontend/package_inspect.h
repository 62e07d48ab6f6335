// --list and --check: the package read exactly as an install reads it, nothing written.
#pragma once

#include <cstdio>
#include <string>

// Every file with its size, date and time (local), one a line, then the totals. 0 when the
// whole file directory was read, 1 (after the cause on `errors`) otherwise.
int list_package(const std::u16string& module_path, std::FILE* out, std::FILE* errors);

// Decodes every file and verifies every checksum. 0 when the package is sound, 1 (after the
// cause on `errors`) when it is damaged. `out` may be null (--quiet).
int check_package(const std::u16string& module_path, std::FILE* out, std::FILE* errors);
