// One thread sleeps until another wakes it: a wake-up token (a byte in a pipe). The kernel
// wakes a pipe's reader on the writer's processor when that one has nothing else to run (the
// writer is about to wait itself), so a synchronous hand-over between two threads (a send and
// its answer) stays on one processor: a few microseconds a round trip, where a condition
// variable's wake-up of a sleeping processor costs tens on a virtual machine.
//
// Each signal() lets exactly one wait() return, earlier or later; callers keep at most one
// token outstanding. Without a pipe (no descriptors left) the same contract is kept with a
// mutex and a condition variable.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class HandOff {
 public:
  HandOff();
  ~HandOff();
  HandOff(const HandOff&) = delete;
  HandOff& operator=(const HandOff&) = delete;

  void signal();
  void wait();

  // The calling thread's own, made at its first use and closed when the thread ends.
  static HandOff& of_this_thread();

 private:
  int read_end_ = -1, write_end_ = -1;
  std::mutex mutex_;  // the fallback's
  std::condition_variable woken_;
  unsigned tokens_ = 0;
};

}  // namespace platform
