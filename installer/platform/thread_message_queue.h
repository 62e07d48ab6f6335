// A message queue on a mutex and a condition variable, for front ends without a toolkit loop.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "installer/platform/message_queue.h"

namespace platform {

class ThreadMessageQueue : public MessageQueue {
 public:
  void post(const WindowMessage& message) override;
  std::optional<intptr_t> send(const WindowMessage& message) override;
  int run(const WindowProcedure& procedure) override;
  void post_quit(int code) override;

 private:
  struct Entry {
    WindowMessage message;
    bool sent = false;
    bool handled = false;
    bool delivered = false;
    intptr_t result = 0;
  };
  void release_waiting_senders();  // with the lock held

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Entry*> entries_;
  std::deque<Entry> posted_storage_;
  bool quitting_ = false;
  int quit_code_ = 0;
  std::thread::id loop_thread_;
  const WindowProcedure* procedure_ = nullptr;
};

}  // namespace platform
