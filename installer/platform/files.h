// Byte-stream files, folders and the current directory. Paths are UTF-8; handles are the
// operating system's file descriptors, -1 on failure. After any failure last_error()
// (process.h) holds the system's reason. Calls interrupted by a signal are retried.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class FileAccess { Read, Write, ReadWrite };

enum class FileDisposition {
  OpenExisting,      // fail when missing
  TruncateExisting,  // fail when missing, else empty it
  OpenAlways,        // create when missing
  CreateNew,         // fail when present
  CreateAlways,      // create or empty
};

// Opening for writing fails on a file that has no write bit at all: such a file is read-only
// for everyone, root included.
int open_path(const std::string& path, FileAccess access, FileDisposition disposition);
// Reads until `count` bytes or the end of the file: fewer bytes only at the end, -1 on failure.
int64_t read_file(int handle, void* buffer, uint32_t count);
// Writes all `count` bytes; a failure after some bytes went out returns how many did (so the
// caller sees a short write), a failure before any returns -1.
int64_t write_file(int handle, const void* buffer, uint32_t count);
// Origin 0 from the start, 1 from the current position, 2 from the end. New position or -1.
int64_t seek_position(int handle, int64_t offset, int origin);
bool close_file(int handle);

bool path_exists(const std::string& path);  // anything under the name, a dangling link included
bool is_regular_file(const std::string& path);
bool is_directory(const std::string& path);
bool is_executable_file(const std::string& path);  // a regular file we may run

enum class MakeDirectory { Created, AlreadyExists, Failed };
MakeDirectory make_directory(const std::string& path);
// Removes a folder only when it is empty (never a link); false otherwise.
bool remove_empty_directory(const std::string& path);

bool change_directory(const std::string& path);
std::string current_directory();  // empty when unknown

// Sets the modification time (seconds since the epoch) and leaves the access time alone.
bool set_modification_time(const std::string& path, int64_t seconds);
bool clear_write_bits(const std::string& path);
// Gives execute permission to everyone who may read the file.
bool add_execute_bits(const std::string& path);
bool set_file_mode(const std::string& path, uint32_t mode);
// Up to `count` bytes from the start of the file; empty when unreadable.
std::string read_file_prefix(const std::string& path, uint32_t count);

// Writes the whole text to the file, replacing it only once complete (a link at the name is
// replaced, not followed); false on any failure.
bool write_whole_file(const std::string& path, const std::string& bytes);

}  // namespace platform
