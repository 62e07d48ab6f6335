// The window thread's queue on GLib's main loop, so that the toolkit's own events and the
// worker's messages are handled by one loop. Posted messages become idle callbacks; a sent
// message is one as well, and its sender waits until the loop has run it. Modal dialogs run
// nested loops, in which messages keep arriving, as they would on a window system.
#pragma once

#include <glib.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "installer/platform/message_queue.h"

namespace platform {

class GlibMessageQueue : public MessageQueue {
 public:
  GlibMessageQueue();
  ~GlibMessageQueue() override;

  void post(const WindowMessage& message) override;
  std::optional<intptr_t> send(const WindowMessage& message) override;
  int run(const WindowProcedure& procedure) override;
  void post_quit(int code) override;

  struct Pending;  // one message on its way to the loop

 private:
  static gboolean dispatch(gpointer data);
  static void forget(gpointer data);
  void enqueue(const std::shared_ptr<Pending>& pending);  // with the lock held
  void release_waiting_senders();                         // with the lock held

  GMainLoop* loop_;
  std::mutex mutex_;
  std::condition_variable handled_;
  std::set<guint> sources_;  // idle callbacks not yet run
  std::set<std::shared_ptr<Pending>> waiting_;
  std::vector<std::shared_ptr<Pending>> parked_;  // arrived before the loop ran
  bool quitting_ = false;
  int quit_code_ = 0;
  std::thread::id loop_thread_;
  const WindowProcedure* procedure_ = nullptr;
};

}  // namespace platform
