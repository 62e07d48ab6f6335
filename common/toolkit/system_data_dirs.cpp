#include "common/toolkit/system_data_dirs.h"

#include <cstdlib>
#include <sstream>

namespace kv::toolkit {

namespace {

constexpr char kSystemDirs[] = "/usr/local/share:/usr/share";

bool holds_usr_share(const std::string& list) {
  std::istringstream entries(list);
  for (std::string entry; std::getline(entries, entry, ':');)
    if (entry == "/usr/share" || entry == "/usr/share/") return true;
  return false;
}

}  // namespace

std::string data_dirs_for_toolkit(const char* current) {
  if (!current || !*current) return current ? current : "";
  std::string list = current;
  if (holds_usr_share(list)) return list;
  return list + ":" + kSystemDirs;
}

void give_toolkit_system_data_dirs() {
  const char* current = std::getenv("XDG_DATA_DIRS");
  std::string wanted = data_dirs_for_toolkit(current);
  if (current && wanted != current) setenv("XDG_DATA_DIRS", wanted.c_str(), 1);
}

}  // namespace kv::toolkit
