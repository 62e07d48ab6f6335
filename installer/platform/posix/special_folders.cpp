#include "installer/platform/special_folders.h"

#include <unistd.h>

#include <gio/gio.h>

#include "installer/platform/files.h"
#include "installer/platform/process.h"

namespace platform {

namespace {

std::string home() { return environment("HOME").value_or(""); }

std::string data_home() {
  std::string value = environment("XDG_DATA_HOME").value_or("");
  if (!value.empty() && value[0] == '/') return value;
  std::string h = home();
  return h.empty() ? std::string() : h + "/.local/share";
}

// The first entry of the shared data folders (XDG_DATA_DIRS), by default /usr/local/share.
std::string shared_data_folder() {
  std::string list = environment("XDG_DATA_DIRS").value_or("");
  std::string first = list.substr(0, list.find(':'));
  if (first.empty() || first[0] != '/') first = "/usr/local/share";
  while (first.size() > 1 && first.back() == '/') first.pop_back();
  return first;
}

// Creates the folder and its missing parents.
bool ensure_folder(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  for (size_t at = path.find('/', 1); ; at = path.find('/', at + 1)) {
    std::string part = at == std::string::npos ? path : path.substr(0, at);
    if (make_directory(part) == MakeDirectory::Failed) return false;
    if (at == std::string::npos) break;
  }
  return is_directory(path);
}

std::string resolved(const std::string& path) { return ensure_folder(path) ? path : std::string(); }

std::string desktop_folder() {
  const char* desktop = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP);
  if (!desktop || !*desktop) return {};
  std::string path = desktop;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string special_folder_location(uint32_t id) {
  switch (id) {
    case FOLDER_COMMON_PROGRAMS: {
      std::string shared = shared_data_folder();
      if (access(shared.c_str(), W_OK) != 0) return {};
      return shared + "/applications";
    }
    case FOLDER_PROGRAMS: {
      std::string data = data_home();
      return data.empty() ? std::string() : data + "/applications";
    }
    case FOLDER_COMMON_DESKTOP:
      return desktop_folder();
    case FOLDER_SEND_TO: {
      std::string data = data_home();
      return data.empty() ? std::string() : data + "/Thunar/sendto";
    }
    case FOLDER_PROGRAM_FILES: {
      if (running_as_root()) return "/opt";
      std::string h = home();
      return h.empty() ? std::string() : h + "/.local/opt";
    }
    default:
      return {};
  }
}

std::string special_folder_path(uint32_t id) {
  std::string path = special_folder_location(id);
  return path.empty() ? path : resolved(path);
}

void mark_launcher_trusted(const std::string& path) {
  GFile* file = g_file_new_for_path(path.c_str());
  g_file_set_attribute_string(file, "metadata::trusted", "true", G_FILE_QUERY_INFO_NONE, nullptr,
                              nullptr);
  g_object_unref(file);
}

bool open_with_default_application(const std::string& path) {
  std::string opener = find_program("xdg-open");
  return !opener.empty() && start_program(opener, {path}, {});
}

}  // namespace platform
