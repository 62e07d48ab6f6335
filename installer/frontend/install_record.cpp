#include "installer/frontend/install_record.h"

#include <algorithm>

#include "installer/frontend/install_options.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/frontend/package_offset.h"
#include "installer/frontend/shortcuts.h"
#include "installer/platform/file_digest.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/process.h"
#include "installer/platform/special_folders.h"

namespace {

constexpr char UNINSTALL_LAUNCHER_SUFFIX[] = "-uninstall.desktop";
constexpr char UNINSTALL_LAUNCHER_NAME[] = " のアンインストール";
constexpr uint64_t MANIFEST_LIMIT = 64u << 20;  // far beyond any real record

bool digest_of(const std::string& path, ManifestFile& entry) {
  int handle = platform::open_path(path, platform::FileAccess::Read, platform::FileDisposition::OpenExisting);
  if (handle < 0) return false;
  bool ok = platform::sha256_of_handle(handle, &entry.size, &entry.sha256);
  platform::close_file(handle);
  return ok;
}

std::string read_whole_file(const std::string& path, uint64_t limit) {
  int handle = platform::open_path(path, platform::FileAccess::Read, platform::FileDisposition::OpenExisting);
  if (handle < 0) return {};
  std::string bytes;
  char buffer[65536];
  int64_t n;
  while (bytes.size() < limit && (n = platform::read_file(handle, buffer, sizeof buffer)) > 0)
    bytes.append(buffer, size_t(n));
  platform::close_file(handle);
  if (bytes.size() > limit) bytes.resize(limit);
  return bytes;
}

// The menu launcher this install made, if any: the uninstall launcher goes next to it.
std::string menu_launcher(const InstallerApp& app) {
  for (uint32_t id : {platform::FOLDER_COMMON_PROGRAMS, platform::FOLDER_PROGRAMS}) {
    std::string folder = platform::special_folder_path(id);
    if (folder.empty()) continue;
    for (const ManifestFile& launcher : app.record.launchers)
      if (launcher.path.rfind('/') == folder.size() && launcher.path.starts_with(folder)) return launcher.path;
  }
  return {};
}

bool write_uninstall_launcher(InstallerApp& app, const std::string& destination) {
  std::string beside = menu_launcher(app);
  if (beside.empty()) return true;
  std::string stem = beside.substr(beside.rfind('/') + 1);
  stem.resize(stem.size() - std::string(".desktop").size());
  std::string path = beside.substr(0, beside.rfind('/') + 1) + stem + UNINSTALL_LAUNCHER_SUFFIX;
  std::string text = desktop_entry_text(stem + UNINSTALL_LAUNCHER_NAME, destination + "/" + UNINSTALLER_NAME,
                                        destination, "edit-delete", false);
  if (!platform::write_whole_file(path, text)) return false;
  record_launcher(app, path);
  return true;
}

// Through the writer: a hidden temporary file renamed over the final name once complete.
bool write_output(platform::OutputWriter& output, const std::string& name, const std::string& bytes) {
  int handle = output.begin(name);
  if (handle < 0) return false;
  if (!output.write(handle, bytes.data(), bytes.size())) {
    output.discard(handle);
    return false;
  }
  return output.commit(handle, platform::OutputStamp{});
}

// The stub alone: run beside its record, it is the uninstaller.
bool write_uninstaller(InstallerApp& app, platform::OutputWriter& output) {
  std::string stub = read_whole_file(app.module_path.utf8(), package_offset());
  if (stub.size() != package_offset()) {
    app.failure_message = printable_name(app.module_path.utf8()) + ": the installer cannot read itself";
    return false;
  }
  return write_output(output, UNINSTALLER_NAME, stub);
}

bool write_manifest(InstallerApp& app, platform::OutputWriter& output, const std::string& destination) {
  Manifest record = app.record;
  // An earlier install's record that cannot be read is replaced: it could not be used anyway.
  std::string earlier_text = read_whole_file(destination + "/" + MANIFEST_NAME, MANIFEST_LIMIT);
  if (std::optional<Manifest> earlier = parse_manifest(earlier_text, nullptr)) merge_earlier_manifest(record, *earlier);
  return write_output(output, MANIFEST_NAME, format_manifest(record));
}

}  // namespace

void note_new_folders(InstallerApp& app, const std::u16string& folder) {
  if (!keeps_record(app)) return;
  std::string narrow = utf16_to_utf8(folder);
  for (size_t slash = narrow.find('/'); slash != std::string::npos; slash = narrow.find('/', slash + 1)) {
    std::string level = narrow.substr(0, slash);
    bool exists = app.output ? app.output->exists(level) : platform::path_exists(level);
    if (!level.empty() && !exists &&
        std::find(app.record.folders.begin(), app.record.folders.end(), level) == app.record.folders.end())
      app.record.folders.push_back(level);
  }
}

platform::WrittenFile* record_when_written(InstallerApp& app, const std::u16string& name) {
  if (!keeps_record(app)) return nullptr;
  app.files_under_way.push_back({name, {}});
  return &app.files_under_way.back().second;
}

void record_written_files(InstallerApp& app) {
  // A record keeps a digest of every file, so the writer digests: a file without one never
  // took its name.
  for (const auto& [name, written] : app.files_under_way)
    if (!written.sha256.empty()) put_entry(app.record.files, {utf16_to_utf8(name), written.size, written.sha256});
  app.files_under_way.clear();
}

void record_launcher(InstallerApp& app, const std::string& path) {
  if (!keeps_record(app)) return;
  ManifestFile entry;
  entry.path = path;
  if (digest_of(path, entry)) put_entry(app.record.launchers, entry);
}

bool write_install_record(InstallerApp& app) {
  std::string destination = absolute_destination(app);
  platform::OutputWriter output;
  bool ok = output.open_destination(destination, false) && write_uninstaller(app, output);
  if (ok && !write_uninstall_launcher(app, destination)) {
    app.failure_message = "uninstall launcher: " + platform::error_text(platform::last_error());
    return false;
  }
  ok = ok && write_manifest(app, output, destination);
  if (!ok && app.failure_message.empty()) app.failure_message = output_failure_text(output.failure());
  return ok;
}
