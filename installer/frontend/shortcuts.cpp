#include "installer/frontend/shortcuts.h"

#include "installer/frontend/desktop_fragment.h"
#include "installer/frontend/install_record.h"
#include "installer/frontend/path_parts.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/process.h"
#include "installer/platform/special_folders.h"

namespace {

constexpr char GENERIC_ICON[] = "application-x-executable";
constexpr uint32_t MAX_FRAGMENT_BYTES = 64 * 1024;

// Escapes for a string value of the format: backslash and the control characters.
std::string escape_value(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string shortcut_name(const PackageHeader& settings) {
  if (!settings.shortcut_name.empty()) return settings.shortcut_name.utf8();
  return utf16_to_utf8(split_path_parts(settings.program.str()).name);
}

// Room for ".desktop" within the file system's 255-byte names.
constexpr size_t LONGEST_LAUNCHER_NAME = 255 - 8;

std::string launcher_icon(const std::string& target) {
  PathParts parts = split_path_parts(utf8_to_utf16(target));
  std::string icon = utf16_to_utf8(parts.drive + parts.folder + parts.name) + ".png";
  return platform::is_regular_file(icon) ? icon : GENERIC_ICON;
}

// The keys the package's Desktop Entry fragment adds to the program's launchers.
std::string fragment_keys(const std::string& target) {
  std::string path = desktop_fragment_path(target);
  if (!platform::is_regular_file(path)) return {};
  return desktop_fragment_keys(platform::read_file_prefix(path, MAX_FRAGMENT_BYTES));
}

}  // namespace

std::string launcher_file_name(const std::string& name) {
  std::string out;
  for (unsigned char c : name) out += (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) ? '_' : char(c);
  if (out.size() > LONGEST_LAUNCHER_NAME) {
    out.resize(LONGEST_LAUNCHER_NAME);
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0) out.pop_back();  // a cut lead byte
  }
  if (out.empty() || out == "." || out == "..") out = "_";
  return out;
}

std::string quote_exec_argument(const std::string& argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';  // a lone % would start a field code
    quoted += c;
  }
  return quoted + "\"";
}

std::string desktop_entry_text(const std::string& name, const std::string& target,
                               const std::string& folder, const std::string& icon, bool takes_files) {
  std::string exec = quote_exec_argument(target);
  if (takes_files) exec += " %F";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Version=1.0\n"
         "Name=" + escape_value(name) + "\n"
         "Exec=" + escape_value(exec) + "\n"
         "Path=" + escape_value(folder) + "\n"
         "Icon=" + escape_value(icon) + "\n"
         "Terminal=false\n";
}

std::string absolute_destination(const InstallerApp& app) {
  std::string destination = app.destination.utf8();
  if (destination.empty() || destination[0] != '/') destination = platform::current_directory();
  while (destination.size() > 1 && destination.back() == '/') destination.pop_back();
  return destination;
}

void create_shortcuts(InstallerApp& app) {
  const PackageHeader& settings = app.settings;
  if (settings.start_menu & OPTION_CHECKED) create_shortcut(app, platform::FOLDER_COMMON_PROGRAMS);
  if (settings.desktop & OPTION_CHECKED) create_shortcut(app, platform::FOLDER_COMMON_DESKTOP);
  if (settings.send_to & OPTION_CHECKED) create_shortcut(app, platform::FOLDER_SEND_TO);
}

void create_shortcut(InstallerApp& app, uint32_t folder_id) {
  std::string folder = platform::special_folder_path(folder_id);
  if (folder.empty() && folder_id == platform::FOLDER_COMMON_PROGRAMS)
    folder = platform::special_folder_path(platform::FOLDER_PROGRAMS);
  if (folder.empty()) return;  // nowhere to put it: no launcher rather than one at the root
  std::string name = shortcut_name(app.settings);
  std::string link = join(folder, launcher_file_name(name) + ".desktop");
  std::string destination = absolute_destination(app);
  std::string target = join(destination, app.settings.program.utf8());
  bool send_to = folder_id == platform::FOLDER_SEND_TO;
  std::string text = desktop_entry_text(name, target, destination, launcher_icon(target), send_to);
  text += fragment_keys(target);
  if (!platform::write_whole_file(link, text)) return;
  if (folder_id == platform::FOLDER_COMMON_DESKTOP) {
    platform::set_file_mode(link, 0755);
    platform::mark_launcher_trusted(link);
  }
  record_launcher(app, link);
}

void launch_program(InstallerApp& app) {
  std::string path = absolute_destination(app) + "/" + app.settings.run_after.utf8();
  if (platform::is_executable_file(path)) {
    platform::start_program(path, {}, {});
    return;
  }
  if (app.main_window) app.main_window->open_document(path);
}
