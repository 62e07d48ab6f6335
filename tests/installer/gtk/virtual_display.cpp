#include "virtual_display.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "installer_test_support.h"

namespace testsupport {

namespace {

int field(const std::string& text, const std::string& key) {
  size_t at = text.find(key);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + key.size());
}

}  // namespace

std::string VirtualDisplay::xdotool(const std::vector<std::string>& arguments) const {
  ProcessResult r = run_process("/usr/bin/xdotool", arguments, "", "", {display_env()}, 30);
  return r.output;
}

std::vector<WindowInfo> VirtualDisplay::windows(const std::string& name_pattern) const {
  std::vector<WindowInfo> found;
  std::istringstream ids(xdotool({"search", "--onlyvisible", "--name", name_pattern}));
  for (std::string id; std::getline(ids, id);) {
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) continue;
    WindowInfo w;
    w.id = id;
    std::string name = xdotool({"getwindowname", id});
    w.name = name.substr(0, name.find('\n'));
    ProcessResult info = run_process("/usr/bin/xwininfo", {"-id", id}, "", "", {display_env()}, 30);
    w.x = field(info.output, "Absolute upper-left X:");
    w.y = field(info.output, "Absolute upper-left Y:");
    w.width = field(info.output, "Width:");
    w.height = field(info.output, "Height:");
    if (info.output.find("IsViewable") != std::string::npos) found.push_back(w);
  }
  return found;
}

bool VirtualDisplay::wait_for_window(const std::string& name_pattern, WindowInfo& found, double seconds) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
  while (std::chrono::steady_clock::now() < deadline) {
    std::vector<WindowInfo> list = windows(name_pattern);
    if (list.size() == 1) {
      found = list[0];
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

void VirtualDisplay::screenshot(const std::string& name) const {
  const char* folder = std::getenv("KV_SCREENSHOT_DIR");
  if (!folder || !*folder) return;
  run_process("/usr/bin/import", {"-window", "root", std::string(folder) + "/" + name + ".png"}, "", "",
              {display_env()}, 30);
}

}  // namespace testsupport
