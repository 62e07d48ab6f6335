// The install record and the uninstaller: what the install wrote goes, the user's changes and
// everything else stay, and a record edited to name other paths is refused entry by entry.
#include "scripting_support.h"

using namespace testsupport;
using scripting::Scripting;

namespace {

TEST_F(Scripting, UninstallRemovesWhatTheInstallWroteAndNothingElse) {
  for (const std::string& folder_path : {session.start_menu(), session.desktop()}) mkdir(folder_path.c_str(), 0755);
  write_file(target / "beside.txt", "not ours");
  TreeSnapshot home_before = snapshot_tree(session.home.path()), shared_before = snapshot_tree(session.shared.path()),
               target_before = snapshot_tree(target.path());
  ProcessResult r = install({"--launchers", "menu,desktop"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::optional<Manifest> record = parse_manifest(scripting::text_of(destination + "/" + MANIFEST_NAME), nullptr);
  ASSERT_TRUE(record);
  EXPECT_TRUE(record->destination_created);
  EXPECT_EQ(record->folders, (std::vector<std::string>{"data", "data/sounds"}));
  EXPECT_EQ(record->files.size(), folder.files.size());
  EXPECT_EQ(record->launchers.size(), 3u);

  write_file(destination + "/data/notes.txt", "my own notes now");
  write_file(destination + "/data/sounds/mine.wav", "a file the user added");
  ProcessResult u = run(destination + "/uninstall", {"--yes"});
  EXPECT_EQ(u.exit_code, 0) << u.output;
  EXPECT_NE(u.output.find("kept (changed since the install): data/notes.txt"), std::string::npos) << u.output;
  EXPECT_EQ(list_tree(destination), (std::vector<std::string>{"data/notes.txt", "data/sounds/mine.wav"}));
  EXPECT_TRUE(scripting::changes_below(home_before, session.home.path()).empty());
  EXPECT_TRUE(scripting::changes_below(shared_before, session.shared.path()).empty());
  std::vector<std::string> changed = scripting::changes_below(target_before, target.path());
  EXPECT_EQ(changed, (std::vector<std::string>{"Ruziz Kestrovan", "Ruziz Kestrovan/data", "Ruziz Kestrovan/data/notes.txt",
                                               "Ruziz Kestrovan/data/sounds", "Ruziz Kestrovan/data/sounds/mine.wav"}));

  // Once the user's files are gone too, a second install and uninstall leave nothing at all.
  std::filesystem::remove_all(destination);
  ASSERT_EQ(install().exit_code, 0);
  ProcessResult again = run(package(), {"--uninstall", "--target", destination, "--yes"});
  EXPECT_EQ(again.exit_code, 0) << again.output;
  EXPECT_FALSE(exists(destination));
  EXPECT_TRUE(scripting::changes_below(target_before, target.path()).empty());
}

TEST_F(Scripting, AnEditedRecordIsRefusedEntryByEntry) {
  ASSERT_EQ(install().exit_code, 0);
  TempDir elsewhere;
  write_file(elsewhere / "victim.txt", "abc");
  write_file(elsewhere / "victim.desktop", "abc");
  TreeSnapshot elsewhere_before = snapshot_tree(elsewhere.path());
  const std::string sha = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";  // of "abc"
  std::ofstream(destination + "/" + MANIFEST_NAME, std::ios::app)
      << "file\t3\t" << sha << "\t" << elsewhere / "victim.txt" << "\n"
      << "file\t3\t" << sha << "\t../../" << elsewhere.path().substr(5) << "/victim.txt\n"
      << "launcher\t3\t" << sha << "\t" << elsewhere / "victim.desktop" << "\n"
      << "folder\t..\n";
  ProcessResult u = run(destination + "/uninstall", {"--yes"});
  EXPECT_EQ(u.exit_code, 1) << u.output;
  EXPECT_EQ(e2e::count_of(u.output, "refused: "), 4u) << u.output;
  EXPECT_NE(u.output.find("refused: " + elsewhere / "victim.desktop"), std::string::npos) << u.output;
  EXPECT_TRUE(tree_changes(elsewhere_before, snapshot_tree(elsewhere.path())).empty());
  // The listed files inside were removed; the record stays, since it was not honoured whole.
  EXPECT_EQ(list_tree(destination), (std::vector<std::string>{"uninstall", MANIFEST_NAME}));
}

}  // namespace
