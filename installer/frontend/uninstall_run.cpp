#include "installer/frontend/uninstall_run.h"

#include "installer/frontend/package_offset.h"
#include "installer/platform/files.h"
#include "installer/platform/special_folders.h"
#include "common/text/printable_name.h"

namespace {

constexpr char CAPTION[] = "アンインストール";
constexpr char CHANGED_CAPTION[] = "変更されたファイルの削除の確認";
constexpr uint64_t MANIFEST_LIMIT = 64u << 20;  // far beyond any real record

constexpr uint32_t LAUNCHER_FOLDER_IDS[] = {platform::FOLDER_COMMON_PROGRAMS, platform::FOLDER_PROGRAMS,
                                            platform::FOLDER_COMMON_DESKTOP, platform::FOLDER_SEND_TO};

struct Run {
  platform::InstallerUi& ui;
  const std::string& destination;
  int status = 0;
};

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string shown(const std::string& path) { return printable_name(path); }

const char* outcome_word(UninstallOutcome outcome) {
  switch (outcome) {
    case UninstallOutcome::KeptChanged: return "kept (changed since the install)";
    case UninstallOutcome::Refused: return "refused";
    case UninstallOutcome::Failed: return "not removed";
    case UninstallOutcome::KeptNotEmpty: return "kept (not empty)";
    default: return "";
  }
}

// One summary: the counts, then every entry that was not simply removed.
std::string summary_of(const std::vector<UninstallLine>& lines, bool* trouble) {
  unsigned removed = 0;
  std::string details;
  *trouble = false;
  for (const UninstallLine& line : lines) {
    if (line.outcome == UninstallOutcome::Removed || line.outcome == UninstallOutcome::Missing) {
      removed += line.outcome == UninstallOutcome::Removed;
      continue;
    }
    *trouble |= line.outcome == UninstallOutcome::Refused || line.outcome == UninstallOutcome::Failed;
    details += "\n  " + std::string(outcome_word(line.outcome)) + ": " + shown(line.path);
    if (!line.detail.empty()) details += " (" + line.detail + ")";
  }
  return std::to_string(removed) + " entries removed." + details;
}

// The launcher folders as they are; a missing one is not made for the occasion.
std::vector<std::unique_ptr<RemovalTree>> open_launcher_folders(std::vector<LauncherFolder>& folders) {
  std::vector<std::unique_ptr<RemovalTree>> trees;
  for (uint32_t id : LAUNCHER_FOLDER_IDS) {
    std::string path = platform::special_folder_location(id);
    if (path.empty() || !platform::is_directory(path)) continue;
    std::string ignored;
    if (std::unique_ptr<RemovalTree> tree = platform::open_removal_tree(path, &ignored)) {
      folders.push_back({path, tree.get()});
      trees.push_back(std::move(tree));
    }
  }
  return trees;
}

std::optional<Manifest> read_record(Run& run, RemovalTree& tree) {
  std::string text, why;
  if (!tree.read_small_file(MANIFEST_NAME, MANIFEST_LIMIT, &text, &why)) {
    run.ui.message_box("vexasfx: " + shown(run.destination + "/" + MANIFEST_NAME) + ": " + why, platform::MB_ICON_STOP);
    return std::nullopt;
  }
  std::optional<Manifest> manifest = parse_manifest(text, &why);
  if (!manifest)
    run.ui.message_box("vexasfx: " + shown(run.destination + "/" + MANIFEST_NAME) + ": " + why, platform::MB_ICON_STOP);
  return manifest;
}

void uninstall_now(Run& run) {
  std::string why;
  std::unique_ptr<RemovalTree> destination = platform::open_removal_tree(run.destination, &why);
  if (!destination) {
    run.ui.message_box("vexasfx: " + shown(run.destination) + ": " + why, platform::MB_ICON_STOP);
    run.status = 1;
    return;
  }
  std::optional<Manifest> manifest = read_record(run, *destination);
  if (!manifest) {
    run.status = 1;
    return;
  }
  if (!run.ui.ask_yes_no(CAPTION, shown(run.destination) + " のインストールを削除しますか？", true)) {
    run.status = 2;
    return;
  }
  UninstallJob job;
  job.destination = destination.get();
  std::vector<std::unique_ptr<RemovalTree>> launcher_trees = open_launcher_folders(job.launcher_folders);
  job.remove_changed = [&run](const std::string& path) {
    return run.ui.ask_yes_no(CHANGED_CAPTION, shown(path) + " はインストール後に変更されています。削除しますか？", false);
  };
  std::vector<UninstallLine> lines = uninstall_entries(*manifest, job);
  bool trouble = false;
  std::string summary = summary_of(lines, &trouble);
  if (!trouble) {
    // The record goes last, and only when everything it listed was dealt with.
    destination->remove_file(MANIFEST_NAME, &why);
    destination->remove_file(UNINSTALLER_NAME, &why);
    if (manifest->destination_created) platform::remove_empty_directory(run.destination);
  }
  run.ui.message_box(summary, trouble ? platform::MB_ICON_STOP : platform::MB_ICON_INFORMATION);
  run.status = trouble ? 1 : 0;
}

}  // namespace

int uninstall_main(platform::InstallerUi& ui, const std::string& destination) {
  Run run{ui, destination};
  ui.queue().post({0, 0, 0});
  ui.queue().run([&run](const platform::WindowMessage&) {
    uninstall_now(run);
    run.ui.queue().post_quit(0);
    return intptr_t(0);
  });
  return run.status;
}

bool is_bare_uninstaller(const std::string& own_path) {
  int file = platform::open_path(own_path, platform::FileAccess::Read, platform::FileDisposition::OpenExisting);
  if (file < 0) return false;
  int64_t size = platform::seek_position(file, 0, 2);
  platform::close_file(file);
  return size == int64_t(package_offset()) && platform::is_regular_file(folder_of(own_path) + "/" + MANIFEST_NAME);
}
