// The window thread's message queue. Messages reach the window procedure one at a time on the
// thread that runs the loop. Other threads post (and go on) or send (and wait until the message
// has been handled). Once the loop has been told to quit, the window is gone: posts are dropped
// and sends come back undelivered at once, also those already waiting.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

struct WindowMessage {
  uint32_t id = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

using WindowProcedure = std::function<intptr_t(const WindowMessage&)>;

class MessageQueue {
 public:
  virtual ~MessageQueue() = default;
  virtual void post(const WindowMessage& message) = 0;
  // The procedure's result, or nothing when the window is gone. Called on the loop's own
  // thread, the procedure runs at once.
  virtual std::optional<intptr_t> send(const WindowMessage& message) = 0;
  // Runs the loop until post_quit; returns the quit code.
  virtual int run(const WindowProcedure& procedure) = 0;
  virtual void post_quit(int code) = 0;
};

}  // namespace platform
