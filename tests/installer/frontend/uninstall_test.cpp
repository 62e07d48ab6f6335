// The uninstaller's rule over real folders: what the record lists and is unchanged goes, a
// changed file is asked about, and an entry naming anything outside the destination or the
// launcher folders is refused, one by one, with nothing outside touched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "installer/frontend/uninstall.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

const char SHA_OF_ABC[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

class Uninstall : public ::testing::Test {
 protected:
  Uninstall() : destination(root / "dest"), menu(root / "menu") {
    for (const std::string& folder : {destination, menu, root / "outside", destination + "/data", destination + "/data/deep"})
      mkdir(folder.c_str(), 0755);
    std::string error;
    destination_tree = platform::open_removal_tree(destination, &error);
    menu_tree = platform::open_removal_tree(menu, &error);
    job.destination = destination_tree.get();
    job.launcher_folders = {{menu, menu_tree.get()}};
    job.remove_changed = [this](const std::string& path) {
      asked.push_back(path);
      return remove_changed_answer;
    };
  }
  // A file holding "abc", listed in the record.
  ManifestFile listed(const std::string& path, const std::string& where) {
    write_file(where, "abc");
    return {path, 3, SHA_OF_ABC};
  }
  UninstallOutcome outcome_of(const std::vector<UninstallLine>& lines, const std::string& path) {
    for (const UninstallLine& line : lines)
      if (line.path == path) return line.outcome;
    ADD_FAILURE() << path << " not reported";
    return UninstallOutcome::Failed;
  }

  TempDir root;
  std::string destination, menu;
  std::unique_ptr<platform::RemovalTree> destination_tree, menu_tree;
  UninstallJob job;
  std::vector<std::string> asked;
  bool remove_changed_answer = false;
};

TEST_F(Uninstall, UnchangedFilesLaunchersAndEmptyFoldersGoChangedOnesAreAsked) {
  Manifest m;
  m.files = {listed("a.txt", destination + "/a.txt"), listed("data/deep/b.bin", destination + "/data/deep/b.bin"),
             listed("data/changed.txt", destination + "/data/changed.txt"), {"gone.txt", 3, SHA_OF_ABC},
             listed(MANIFEST_NAME, destination + "/" + MANIFEST_NAME)};
  m.launchers = {listed(menu + "/K.desktop", menu + "/K.desktop")};
  m.folders = {"data", "data/deep"};
  write_file(destination + "/data/changed.txt", "abd");  // same size, other content
  write_file(destination + "/mine.txt", "the user's own");
  std::vector<UninstallLine> lines = uninstall_entries(m, job);
  EXPECT_EQ(outcome_of(lines, "a.txt"), UninstallOutcome::Removed);
  EXPECT_EQ(outcome_of(lines, "data/deep/b.bin"), UninstallOutcome::Removed);
  EXPECT_EQ(outcome_of(lines, "data/changed.txt"), UninstallOutcome::KeptChanged);
  EXPECT_EQ(outcome_of(lines, "gone.txt"), UninstallOutcome::Missing);
  EXPECT_EQ(outcome_of(lines, menu + "/K.desktop"), UninstallOutcome::Removed);
  EXPECT_EQ(outcome_of(lines, "data/deep"), UninstallOutcome::Removed);  // deepest first
  EXPECT_EQ(outcome_of(lines, "data"), UninstallOutcome::KeptNotEmpty);
  EXPECT_EQ(asked, std::vector<std::string>{"data/changed.txt"});
  // The record itself is the caller's to remove, last.
  EXPECT_EQ(list_tree(destination), (std::vector<std::string>{"data/changed.txt", "mine.txt", MANIFEST_NAME}));
  EXPECT_TRUE(list_tree(menu).empty());

  remove_changed_answer = true;
  lines = uninstall_entries(m, job);
  EXPECT_EQ(outcome_of(lines, "data/changed.txt"), UninstallOutcome::Removed);
  EXPECT_EQ(outcome_of(lines, "data"), UninstallOutcome::Removed);
}

TEST_F(Uninstall, EntriesOutsideAreRefusedOneByOneAndNothingThereIsTouched) {
  write_file(root / "outside/victim.txt", "abc");
  write_file(root / "outside/victim.desktop", "abc");
  symlink((root / "outside").c_str(), (destination + "/link").c_str());
  TreeSnapshot before = snapshot_tree(root / "outside");
  const std::string outside_files[] = {"../outside/victim.txt", root / "outside/victim.txt", "data/../../outside/victim.txt",
                                       "./a.txt", "data//x", "", "."};
  const std::string outside_launchers[] = {root / "outside/victim.desktop", menu + "/../outside/victim.desktop",
                                           menu + "/sub/x.desktop", menu + "/K.txt", "K.desktop", menu + "/..desktop/.."};
  Manifest m;
  for (const std::string& path : outside_files) m.files.push_back({path, 3, SHA_OF_ABC});
  for (const std::string& path : outside_launchers) m.launchers.push_back({path, 3, SHA_OF_ABC});
  m.folders = {"..", "../outside", "/tmp", "link/.."};
  m.files.push_back({"link/victim.txt", 3, SHA_OF_ABC});  // through a link below: never reached
  m.folders.push_back("link");                              // a link is no folder to remove
  std::vector<UninstallLine> lines = uninstall_entries(m, job);
  ASSERT_EQ(lines.size(), m.files.size() + m.launchers.size() + m.folders.size());
  for (const UninstallLine& line : lines) {
    bool through_link = line.path.starts_with("link") && line.path != "link/..";
    EXPECT_EQ(line.outcome, through_link ? UninstallOutcome::Missing : UninstallOutcome::Refused) << line.path;
    if (!through_link) {
      EXPECT_FALSE(line.detail.empty()) << line.path;
    }
  }
  EXPECT_TRUE(tree_changes(before, snapshot_tree(root / "outside")).empty());
  EXPECT_TRUE(exists(destination + "/link"));
  EXPECT_TRUE(asked.empty());
}

}  // namespace
