#include "posix_callbacks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "installer/platform/files.h"

namespace vexacab {

namespace {
platform::OutputWriter* active_output = nullptr;
}  // namespace

void* mem_alloc(uint32_t size) { return std::malloc(size ? size : 1); }
void mem_free(void* memory) { std::free(memory); }

// The engine only ever opens cabinets, read-only; output files are opened by the client.
int file_open(const char* name, int, int) { return ::open(name, O_RDONLY | O_CLOEXEC); }

// Reads and writes go through the platform's loops (interrupted calls resumed, a failure
// reported as -1), the same ones the installer's callbacks use.
uint32_t file_read(int handle, void* buffer, uint32_t count) {
  int64_t n = platform::read_file(handle, buffer, count);
  return n < 0 ? uint32_t(-1) : uint32_t(n);
}

uint32_t file_write(int handle, const void* buffer, uint32_t count) {
  if (handle == DISCARD_HANDLE) return count;
  if (active_output && active_output->owns(handle))
    return active_output->write(handle, buffer, count) ? count : uint32_t(-1);
  int64_t n = platform::write_file(handle, buffer, count);
  return n < 0 ? uint32_t(-1) : uint32_t(n);
}

int file_close(int handle) {
  if (handle == DISCARD_HANDLE) return 0;
  if (active_output && active_output->owns(handle)) {
    active_output->discard(handle);  // the engine gave up on it before its end
    return 0;
  }
  return ::close(handle) == 0 ? 0 : -1;
}

int32_t file_seek(int handle, int32_t offset, int origin) {
  int64_t position = platform::seek_position(handle, offset, origin);
  if (position < 0 || position > 0x7FFFFFFF) return -1;
  return int32_t(position);
}

CabEngine* create_engine(CabErrorRecord* error, platform::OutputWriter* output) {
  active_output = output;
  return cab_create(mem_alloc, mem_free, file_open, file_read, file_write, file_close, file_seek, 0,
                    error);
}

}  // namespace vexacab
