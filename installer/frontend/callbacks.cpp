#include "installer/frontend/callbacks.h"

#include <cstdlib>

#include "installer/frontend/installer_app.h"
#include "installer/frontend/progress.h"
#include "installer/platform/output_writer.h"

using platform::FileAccess;
using platform::FileDisposition;

namespace {

bool is_cabinet_offset(const CabinetPlacement& placement, int32_t offset) {
  if (offset < 0) return false;
  if (uint32_t(offset) == placement.files_offset) return true;
  for (uint32_t start : placement.folder_starts)
    if (uint32_t(offset) == start) return true;
  return false;
}

}  // namespace

FileAccessMode file_flags_to_access(int flags) {
  FileAccessMode mode{FileAccess::Read, FileDisposition::OpenExisting};
  bool truncate = flags & OPEN_TRUNCATE;
  if (flags & OPEN_WRITE_ONLY)
    mode = {FileAccess::Write, truncate ? FileDisposition::TruncateExisting : FileDisposition::OpenExisting};
  if (flags & OPEN_READ_WRITE)
    mode = {FileAccess::ReadWrite,
            truncate ? FileDisposition::TruncateExisting : FileDisposition::OpenExisting};
  if (flags == OPEN_APPEND) mode.access = FileAccess::Write;
  if (flags == OPEN_CREATE) mode.access = FileAccess::Write;
  if (flags & OPEN_CREATE) {
    mode.disposition = FileDisposition::OpenAlways;
    if (flags & OPEN_EXCLUSIVE) mode.disposition = FileDisposition::CreateNew;
    if (flags & OPEN_TRUNCATE) mode.disposition = FileDisposition::CreateAlways;
  }
  return mode;
}

void* alloc_memory(uint32_t size) { return std::malloc(size); }

void free_memory(void* memory) { std::free(memory); }

int open_file(const char* name, int flags, int /*mode: the platform's default permissions*/) {
  FileAccessMode mode = file_flags_to_access(flags);
  WideString decoded = WideString::from_utf8(name);
  std::string path = decoded.utf8();
  int handle = platform::open_path(path, mode.access, mode.disposition);
  if (handle < 0) return -1;
  if (g_app && decoded == g_app->module_path) {
    if (platform::seek_position(handle, g_app->placement.cabinet_offset, 0) < 0) {
      platform::close_file(handle);
      return -1;
    }
    g_app->own_handles.remember(handle);
  }
  return handle;
}

uint32_t read_handle(int handle, void* buffer, uint32_t count) {
  int64_t n = platform::read_file(handle, buffer, count);
  return n < 0 ? uint32_t(-1) : uint32_t(n);
}

uint32_t write_handle(int handle, const void* buffer, uint32_t count) {
  if (g_app) report_progress(*g_app, count);
  if (g_app && g_app->output && g_app->output->owns(handle))
    return g_app->output->write(handle, buffer, count) ? count : uint32_t(-1);
  int64_t n = platform::write_file(handle, buffer, count);
  return n < 0 ? uint32_t(-1) : uint32_t(n);
}

int close_handle(int handle) {
  // The engine closes an output only when it gives up on it: the file is dropped unfinished.
  if (g_app && g_app->output && g_app->output->owns(handle)) {
    g_app->output->discard(handle);
    return 0;
  }
  if (g_app) g_app->own_handles.forget(handle);
  return platform::close_file(handle) ? 0 : -1;
}

int32_t seek_file(int handle, int32_t offset, int origin) {
  int64_t target = offset;
  if (origin == 0 && g_app && g_app->own_handles.contains(handle) &&
      is_cabinet_offset(g_app->placement, offset))
    target += g_app->placement.cabinet_offset;
  int64_t position = platform::seek_position(handle, target, origin);
  if (position < 0 || position > INT32_MAX) return -1;
  return int32_t(position);
}
