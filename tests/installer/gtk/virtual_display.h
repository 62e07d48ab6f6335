// A virtual X display of our own for the desktop front end's tests, with xdotool to act on it
// as a user would and screenshots into $KV_SCREENSHOT_DIR when that is set.
#pragma once

#include <string>
#include <vector>

#include "xvfb_server.h"

namespace testsupport {

struct WindowInfo {
  std::string id;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;
};

class VirtualDisplay {
 public:
  VirtualDisplay() = default;  // starts Xvfb; name() is empty when it could not start
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& name() const { return server_.name(); }  // ":N"
  // Runs xdotool with the arguments; its standard output.
  std::string xdotool(const std::vector<std::string>& arguments) const;
  // The mapped windows whose name matches the regular expression.
  std::vector<WindowInfo> windows(const std::string& name_pattern) const;
  // Waits up to `seconds` for exactly one such window; false when none came.
  bool wait_for_window(const std::string& name_pattern, WindowInfo& found, double seconds = 20) const;
  // Saves the whole screen as <dir>/<name>.png when KV_SCREENSHOT_DIR is set.
  void screenshot(const std::string& name) const;

 private:
  std::string display_env() const { return "DISPLAY=" + server_.name(); }

  kv::test::XvfbServer server_;
};

}  // namespace testsupport
