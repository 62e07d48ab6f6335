#include "posix_callbacks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vexacab {

namespace {
platform::OutputWriter* active_output = nullptr;
}  // namespace

void* mem_alloc(uint32_t size) { return std::malloc(size ? size : 1); }
void mem_free(void* memory) { std::free(memory); }

// The engine only ever opens cabinets, read-only; output files are opened by the client.
int file_open(const char* name, int, int) { return ::open(name, O_RDONLY | O_CLOEXEC); }

uint32_t file_read(int handle, void* buffer, uint32_t count) {
  auto* out = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done ? done : uint32_t(-1);
    if (n == 0) break;
    done += uint32_t(n);
  }
  return done;
}

uint32_t file_write(int handle, const void* buffer, uint32_t count) {
  if (handle == DISCARD_HANDLE) return count;
  if (active_output && active_output->owns(handle))
    return active_output->write(handle, buffer, count) ? count : uint32_t(-1);
  const auto* in = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle, in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += uint32_t(n);
  }
  return done;
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
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  off_t position = ::lseek(handle, offset, whence);
  if (position < 0 || position > 0x7FFFFFFF) return -1;
  return int32_t(position);
}

CabEngine* create_engine(CabErrorRecord* error, platform::OutputWriter* output) {
  active_output = output;
  return cab_create(mem_alloc, mem_free, file_open, file_read, file_write, file_close, file_seek, 0,
                    error);
}

}  // namespace vexacab
