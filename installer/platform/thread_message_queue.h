// A message queue for front ends without a toolkit loop. The loop thread sleeps on a hand-off
// and each sender on its own thread's, so that a send and its answer pass the processor from
// one thread to the other instead of waking a second one (see posix/hand_off.h). Sent messages
// go before posted ones, but what is queued when a send is answered goes before that sender's
// next: a sender that keeps sending cannot hold back a close or an abort.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "installer/platform/message_queue.h"
#include "installer/platform/posix/hand_off.h"

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
    HandOff* sender = nullptr;  // null for a posted message
    bool delivered = false;
    intptr_t result = 0;
  };
  // A message off the front of the queue, with the entry of its waiting sender (null when it
  // was posted). With the lock held.
  struct Taken {
    WindowMessage message;
    Entry* sent = nullptr;
  };
  Taken take_front();
  // With the lock held. The loop's hand-off, to be signaled once the lock is released, when the
  // loop sleeps and nobody has signaled it yet; else null.
  HandOff* wake_loop();
  // With the lock held: every sender still waiting gets its token, undelivered.
  void release_waiting_senders();

  std::mutex mutex_;
  HandOff loop_wake_;
  bool loop_asleep_ = false;    // the loop waits on loop_wake_ ...
  bool loop_signaled_ = false;  // ... and has been signaled (one token at most)
  std::deque<Entry*> entries_;
  std::deque<Entry> posted_storage_;
  bool quitting_ = false;
  int quit_code_ = 0;
  std::thread::id loop_thread_;
  const WindowProcedure* procedure_ = nullptr;
};

}  // namespace platform
