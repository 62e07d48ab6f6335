#include "installer/frontend/uninstall.h"

#include <algorithm>

namespace {

size_t depth_of(const std::string& path) { return size_t(std::count(path.begin(), path.end(), '/')); }

// The install's own record and program are removed last, by the caller.
bool is_record_itself(const std::string& path) { return path == MANIFEST_NAME || path == UNINSTALLER_NAME; }

UninstallLine remove_if_unchanged(RemovalTree& tree, const std::string& relative, const ManifestFile& entry,
                                  const UninstallJob& job) {
  std::optional<platform::FileDigest> found = tree.digest(relative);
  if (!found) return {entry.path, UninstallOutcome::Missing, {}};
  bool changed = found->size != entry.size || found->sha256 != entry.sha256;
  if (changed && !(job.remove_changed && job.remove_changed(entry.path)))
    return {entry.path, UninstallOutcome::KeptChanged, {}};
  std::string error;
  if (!tree.remove_file(relative, &error)) return {entry.path, UninstallOutcome::Failed, error};
  return {entry.path, UninstallOutcome::Removed, {}};
}

UninstallOutcome folder_outcome(RemovalTree::FolderRemoval removal) {
  switch (removal) {
    case RemovalTree::FolderRemoval::Removed: return UninstallOutcome::Removed;
    case RemovalTree::FolderRemoval::NotEmpty: return UninstallOutcome::KeptNotEmpty;
    default: return UninstallOutcome::Missing;
  }
}

}  // namespace

bool is_contained_path(const std::string& relative) {
  if (relative.empty() || relative[0] == '/') return false;
  size_t start = 0;
  for (;;) {
    size_t slash = relative.find('/', start);
    std::string step = relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (step.empty() || step == "." || step == "..") return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

const LauncherFolder* launcher_folder_of(const std::string& path, const std::vector<LauncherFolder>& folders) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return nullptr;
  std::string name = path.substr(slash + 1);
  if (!is_contained_path(name) || !name.ends_with(".desktop")) return nullptr;
  for (const LauncherFolder& folder : folders)
    if (!folder.path.empty() && path.compare(0, slash, folder.path) == 0 && slash == folder.path.size()) return &folder;
  return nullptr;
}

std::vector<UninstallLine> uninstall_entries(const Manifest& manifest, const UninstallJob& job) {
  std::vector<UninstallLine> lines;
  for (const ManifestFile& file : manifest.files) {
    if (is_record_itself(file.path)) continue;
    if (!is_contained_path(file.path))
      lines.push_back({file.path, UninstallOutcome::Refused, "outside the destination"});
    else
      lines.push_back(remove_if_unchanged(*job.destination, file.path, file, job));
  }
  for (const ManifestFile& launcher : manifest.launchers) {
    const LauncherFolder* folder = launcher_folder_of(launcher.path, job.launcher_folders);
    if (!folder)
      lines.push_back({launcher.path, UninstallOutcome::Refused, "not a launcher in a launcher folder"});
    else
      lines.push_back(remove_if_unchanged(*folder->tree, launcher.path.substr(folder->path.size() + 1), launcher, job));
  }
  std::vector<std::string> folders = manifest.folders;
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::string& a, const std::string& b) { return depth_of(a) > depth_of(b); });
  for (const std::string& folder : folders) {
    if (!is_contained_path(folder))
      lines.push_back({folder, UninstallOutcome::Refused, "outside the destination"});
    else
      lines.push_back({folder, folder_outcome(job.destination->remove_empty_folder(folder)), {}});
  }
  return lines;
}
