#include "installer/platform/posix/hand_off.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

HandOff::HandOff() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) == 0) {
    read_end_ = ends[0];
    write_end_ = ends[1];
  }
}

HandOff::~HandOff() {
  if (read_end_ >= 0) close(read_end_);
  if (write_end_ >= 0) close(write_end_);
}

void HandOff::signal() {
  if (write_end_ >= 0) {
    const char token = 1;
    // A pipe holds far more than the one token outstanding, so the write cannot block.
    while (write(write_end_, &token, 1) < 0 && errno == EINTR) {
    }
    return;
  }
  std::lock_guard lock(mutex_);
  ++tokens_;
  woken_.notify_one();
}

void HandOff::wait() {
  if (read_end_ >= 0) {
    char token;
    while (read(read_end_, &token, 1) < 0 && errno == EINTR) {
    }
    return;
  }
  std::unique_lock lock(mutex_);
  woken_.wait(lock, [this] { return tokens_ > 0; });
  --tokens_;
}

HandOff& HandOff::of_this_thread() {
  thread_local HandOff own;
  return own;
}

}  // namespace platform
