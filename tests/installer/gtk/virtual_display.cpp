#include "virtual_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

VirtualDisplay::VirtualDisplay() {
  int ready[2];
  if (pipe(ready) != 0) return;
  server_ = fork();
  if (server_ == 0) {
    close(ready[0]);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::string fd = std::to_string(ready[1]);
    // -noreset: the server keeps its state (the pointer) between clients.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
           "-noreset", nullptr);
    _exit(127);
  }
  close(ready[1]);
  std::string number;
  char c;
  while (read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (!number.empty()) name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (server_ <= 0) return;
  kill(server_, SIGTERM);
  waitpid(server_, nullptr, 0);
}

std::string VirtualDisplay::xdotool(const std::vector<std::string>& arguments) const {
  ProcessResult r = run_process("/usr/bin/xdotool", arguments, "", "", {"DISPLAY=" + name_}, 30);
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
    ProcessResult info = run_process("/usr/bin/xwininfo", {"-id", id}, "", "", {"DISPLAY=" + name_}, 30);
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
              {"DISPLAY=" + name_}, 30);
}

}  // namespace testsupport
