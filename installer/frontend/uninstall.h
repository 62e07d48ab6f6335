// Removing an install from its record. The record is untrusted text: an entry is acted on only
// when it names a path below the destination (files, folders) or directly in one of the
// launcher folders (launchers); every other entry is refused, one by one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "installer/frontend/manifest.h"
#include "installer/platform/removal_tree.h"

using platform::RemovalTree;

struct LauncherFolder {
  std::string path;  // absolute, no trailing separator
  RemovalTree* tree = nullptr;
};

enum class UninstallOutcome { Removed, KeptChanged, Missing, Refused, Failed, KeptNotEmpty };

struct UninstallLine {
  std::string path;  // as the record names it
  UninstallOutcome outcome;
  std::string detail;  // the reason of a refusal or a failure
};

struct UninstallJob {
  RemovalTree* destination = nullptr;
  std::vector<LauncherFolder> launcher_folders;
  // Asked for each listed file whose content changed since the install: true removes it.
  std::function<bool(const std::string& path)> remove_changed;
};

// Files, then launchers, then the created folders deepest first (kept while not empty). The
// record itself and the uninstaller are left to the caller, which removes them last.
std::vector<UninstallLine> uninstall_entries(const Manifest& manifest, const UninstallJob& job);

// A path the record may name below the destination: relative, no empty, "." or ".." step.
bool is_contained_path(const std::string& relative);

// The launcher folder that directly holds `path`, a ".desktop" file; null when none does.
const LauncherFolder* launcher_folder_of(const std::string& path, const std::vector<LauncherFolder>& folders);
