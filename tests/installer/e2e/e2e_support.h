// Running the installer stub as a user would, in a temporary home with no display.
#pragma once

#include <string>
#include <vector>

#include "installer_test_support.h"

namespace e2e {

struct Session {
  testsupport::TempDir home;
  testsupport::TempDir shared;  // the shared data folder, so that menu entries stay here
  std::string start_menu() const { return shared / "applications"; }
  std::string desktop() const { return home / "Desktop"; }
  std::string send_to() const { return home / ".local/share/Thunar/sendto"; }

  // Runs the package from `directory` with the answers on standard input.
  testsupport::ProcessResult run(const std::string& package, const std::string& answers,
                                 const std::string& directory, const std::vector<std::string>& arguments = {}) const {
    return testsupport::run_process(package, arguments, answers, directory,
                                    {"HOME=" + home.path(), "XDG_DATA_DIRS=" + shared.path(), "XDG_DATA_HOME=",
                                     "XDG_CONFIG_HOME=", "DISPLAY=", "WAYLAND_DISPLAY=", "VEXASFX_UI=text"});
  }
};

inline size_t count_of(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace e2e
