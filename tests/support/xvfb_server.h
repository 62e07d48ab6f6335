// A private Xvfb server for one test: started on a free display number (the server picks it and
// reports it through -displayfd), stopped when the object goes. The installer's and the game's
// display harnesses both stand on it.
#pragma once

#include <sys/types.h>

#include <string>

namespace kv::test {

class XvfbServer {
 public:
  // Waits up to 20 s for the server to report its number; running() is false when it did not.
  explicit XvfbServer(const std::string& screen = "1024x768x24");
  ~XvfbServer();  // SIGTERM, then waits for the server
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return server_ > 0 && !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N", empty when it did not start
  // Ends the server at once (SIGKILL), as the end of a session does to its clients.
  void kill_now();

 private:
  pid_t server_ = -1;
  std::string name_;
};

}  // namespace kv::test
