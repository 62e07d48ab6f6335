// The seven file and memory callbacks the installer hands to the cabinet engine. They serve the
// cabinet out of the middle of the installer's own file for the application set by ServedApp:
// handles on that file start at its cabinet_offset, and the cabinet's own offsets are moved by it
// when the engine seeks to them. Without a served application they act on plain files.
#pragma once

#include <cstdint>

#include "installer/platform/files.h"

constexpr int OPEN_WRITE_ONLY = 0x0001;
constexpr int OPEN_READ_WRITE = 0x0002;
constexpr int OPEN_APPEND = 0x0008;
constexpr int OPEN_CREATE = 0x0100;
constexpr int OPEN_TRUNCATE = 0x0200;
constexpr int OPEN_EXCLUSIVE = 0x0400;
constexpr int OPEN_OWN_FILE_FLAGS = 0x80A0;
constexpr int OPEN_OUTPUT_FLAGS = 0x83A1;
constexpr int OPEN_OUTPUT_MODE = 0x0180;

struct FileAccessMode {
  platform::FileAccess access;
  platform::FileDisposition disposition;
  bool operator==(const FileAccessMode&) const = default;
};

FileAccessMode file_flags_to_access(int flags);

void* alloc_memory(uint32_t size);
void free_memory(void* memory);
int open_file(const char* name, int flags, int mode);
uint32_t read_handle(int handle, void* buffer, uint32_t count);
uint32_t write_handle(int handle, const void* buffer, uint32_t count);
int close_handle(int handle);
int32_t seek_file(int handle, int32_t offset, int origin);
