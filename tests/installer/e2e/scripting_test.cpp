// The package driven by a script: unattended installs under each overwrite policy, launchers
// by option, --list and --check, the record and the uninstaller, and the command line's errors.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e_support.h"
#include "hostile_cases.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/manifest.h"

using namespace testsupport;

namespace {

std::string text_of(const std::string& path) {
  std::vector<uint8_t> bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

// What changed below `folder`, folders counted by their presence only (their times move
// whenever an entry comes or goes).
std::vector<std::string> changes_below(const TreeSnapshot& before, const std::string& folder) {
  TreeSnapshot after = snapshot_tree(folder);
  std::vector<std::string> changed;
  for (const std::string& path : tree_changes(before, after)) {
    auto b = before.find(path);
    auto a = after.find(path);
    bool both_folders = b != before.end() && a != after.end() && S_ISDIR(std::stoul(b->second)) &&
                        S_ISDIR(std::stoul(a->second));
    if (!both_folders) changed.push_back(path);
  }
  return changed;
}

class Scripting : public ::testing::Test {
 protected:
  Scripting() : destination(target / "Ruziz Kestrovan") {
    folder.files = {source_file("Kestrovan", pattern_bytes(90000, 1)), source_file("readme.txt", pattern_bytes(500, 2)),
                    source_file("data/sounds/Fire.wav", pattern_bytes(30000, 3)),
                    source_file("data/notes.txt", pattern_bytes(700, 4))};
    folder.files[1].date = 0x5A21;  // 2025-01-01
    folder.files[1].time = 0x6C2E;  // 13:33:28
  }
  std::string make_package(const vexapack::PackageSettings& settings) {
    std::string path = packages / "setup";
    write_file(path, vexapack::assemble_package(read_file(VEXASFX), settings,
                                                cabwriter::serialize(cabwriter::build_cabinet({folder}))));
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string package() { return make_package(shipped_settings("Kestrovan")); }
  ProcessResult run(const std::string& program, std::vector<std::string> arguments) {
    return session.run(program, "", start.path(), arguments);
  }
  ProcessResult install(std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--target", destination, "--yes"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run(package(), arguments);
  }
  bool installed_as_packed(const cabwriter::SourceFile& f) { return read_file(destination + "/" + f.name) == f.data; }

  cabwriter::SourceFolder folder;
  e2e::Session session;
  TempDir packages, start, target;
  std::string destination;
};

TEST_F(Scripting, UnattendedInstallsFollowEachOverwritePolicy) {
  ProcessResult first = install();
  ASSERT_EQ(first.exit_code, 0) << first.output;
  for (const cabwriter::SourceFile& f : folder.files) EXPECT_TRUE(installed_as_packed(f)) << f.name;
  EXPECT_EQ(first.output.find("(y/n)"), std::string::npos) << first.output;  // nothing was asked
  EXPECT_FALSE(exists(session.start_menu() + "/Kestrovan.desktop"));        // offered, not ticked
  EXPECT_FALSE(exists(session.desktop() + "/Kestrovan.desktop"));

  struct Case {
    std::vector<std::string> options;
    bool replaced;
  };
  const Case cases[] = {{{"--overwrite", "none"}, false}, {{}, false}, {{"--overwrite", "all"}, true}};
  for (const Case& c : cases) {
    for (const cabwriter::SourceFile& f : folder.files) write_file(destination + "/" + f.name, "spoilt");
    ProcessResult r = install(c.options);
    std::string label = c.options.empty() ? "default" : c.options[1];
    EXPECT_EQ(r.exit_code, 0) << label << "\n" << r.output;
    for (const cabwriter::SourceFile& f : folder.files) EXPECT_EQ(installed_as_packed(f), c.replaced) << label << " " << f.name;
    // Whatever was kept is named, so that the log of a script shows it.
    EXPECT_EQ(r.output.find("4 existing file(s) kept") != std::string::npos, !c.replaced) << label << "\n" << r.output;
    if (!c.replaced) EXPECT_NE(r.output.find("  data/sounds/Fire.wav\n"), std::string::npos) << r.output;
  }
  ProcessResult quiet = install({"--quiet"});
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.output, "");
}

TEST_F(Scripting, LaunchersAreThoseTheCommandLineNames) {
  struct Case {
    std::vector<std::string> options;
    bool menu, desktop;
    const char* message;
  };
  const Case cases[] = {
      {{"--launchers", "menu,desktop"}, true, true, nullptr},
      {{"--launchers=desktop"}, false, true, nullptr},
      {{"--launchers", "menu,sendto"}, true, false, "this package offers no sendto launcher"},
      {{"--no-launchers"}, false, false, nullptr},
  };
  for (const Case& c : cases) {
    e2e::Session fresh;
    std::vector<std::string> arguments = {"--target", destination, "--yes"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ProcessResult r = fresh.run(package(), "", start.path(), arguments);
    std::string label = c.options.back();
    EXPECT_EQ(r.exit_code, 0) << label << "\n" << r.output;
    EXPECT_EQ(exists(fresh.start_menu() + "/Kestrovan.desktop"), c.menu) << label;
    EXPECT_EQ(exists(fresh.desktop() + "/Kestrovan.desktop"), c.desktop) << label;
    EXPECT_FALSE(exists(fresh.send_to())) << label;
    // An uninstall launcher goes next to a menu launcher, and only there.
    std::string uninstall_launcher = fresh.start_menu() + "/Kestrovan-uninstall.desktop";
    EXPECT_EQ(exists(uninstall_launcher), c.menu) << label;
    if (c.menu) EXPECT_NE(text_of(uninstall_launcher).find("Exec=\"" + destination + "/uninstall\"\n"), std::string::npos);
    if (c.message) EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
  }
}

TEST_F(Scripting, ListShowsEveryFileOfTheCabinetAndWritesNothing) {
  ProcessResult r = run(package(), {"--list"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::istringstream lines(r.output);
  std::string line;
  std::getline(lines, line);  // the heading
  for (const cabwriter::SourceFile& f : folder.files) {
    ASSERT_TRUE(std::getline(lines, line));
    DosDateTime t = split_dos_date_time(f.date, f.time);
    char expected[256];
    std::snprintf(expected, sizeof expected, "%10zu  %04d-%02d-%02d %02d:%02d:%02d  %s", f.data.size(), t.year, t.month,
                  t.day, t.hour, t.minute, t.second, f.name.c_str());
    EXPECT_EQ(line, expected);
  }
  std::getline(lines, line);
  EXPECT_EQ(line, "4 files, 121200 bytes");
  EXPECT_TRUE(snapshot_tree(start.path()).empty());
  EXPECT_TRUE(snapshot_tree(session.home.path()).empty());
}

TEST_F(Scripting, CheckPassesASoundPackage) {
  ProcessResult r = run(package(), {"--check"});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("4 files, 121200 bytes, every checksum verified"), std::string::npos) << r.output;
  EXPECT_EQ(run(package(), {"--check", "--quiet"}).output, "");
  EXPECT_TRUE(snapshot_tree(start.path()).empty());
}

// The hostile suite's packages: --check fails every damaged one and passes every sound one
// (their hostility lies in the destination, which --check never touches).
TEST(Check, FindsEveryDamagedPackageOfTheHostileSuite) {
  size_t damaged = 0;
  for (const hostile::HostileCase& c : hostile::hostile_cases()) {
    hostile::World world;
    std::string package = hostile::write_hostile_package(world, c);
    TreeSnapshot before = world.snapshot();
    ProcessResult r = world.session.run(package, "", world / "start", {"--check"});
    EXPECT_EQ(r.exit_code, c.damage ? 1 : 0) << c.promise << "\n" << r.output;
    if (c.damage) EXPECT_NE(r.output.find(": the cabinet is damaged ("), std::string::npos) << r.output;
    EXPECT_TRUE(tree_changes(before, world.snapshot()).empty()) << c.promise;
    damaged += c.damage;
  }
  EXPECT_GE(damaged, 1u);
}

TEST_F(Scripting, CheckFailsAPackageCutShort) {
  std::vector<uint8_t> whole = read_file(package());
  std::vector<uint8_t> cabinet = cabwriter::serialize(cabwriter::build_cabinet({folder}));
  size_t package_start = whole.size() - (package_without_stub(shipped_settings("Kestrovan"), cabinet).size() - PACKAGE_OFFSET);
  struct Cut {
    size_t size;
    const char* why;
  };
  const Cut cuts[] = {{package_start, "no package, or its settings are cut short"},
                      {package_start + 20, "no package, or its settings are cut short"},
                      {whole.size() - 1000, "the cabinet is damaged"}};
  for (const Cut& cut : cuts) {
    write_file(packages / "cut", std::vector<uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(cut.size)));
    chmod((packages / "cut").c_str(), 0755);
    ProcessResult r = run(packages / "cut", {"--check"});
    EXPECT_EQ(r.exit_code, 1) << cut.size << "\n" << r.output;
    EXPECT_NE(r.output.find(cut.why), std::string::npos) << r.output;
  }
}

TEST_F(Scripting, UninstallRemovesWhatTheInstallWroteAndNothingElse) {
  for (const std::string& folder_path : {session.start_menu(), session.desktop()}) mkdir(folder_path.c_str(), 0755);
  write_file(target / "beside.txt", "not ours");
  TreeSnapshot home_before = snapshot_tree(session.home.path()), shared_before = snapshot_tree(session.shared.path()),
               target_before = snapshot_tree(target.path());
  ProcessResult r = install({"--launchers", "menu,desktop"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::optional<Manifest> record = parse_manifest(text_of(destination + "/" + MANIFEST_NAME), nullptr);
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
  EXPECT_TRUE(changes_below(home_before, session.home.path()).empty());
  EXPECT_TRUE(changes_below(shared_before, session.shared.path()).empty());
  std::vector<std::string> changed = changes_below(target_before, target.path());
  EXPECT_EQ(changed, (std::vector<std::string>{"Ruziz Kestrovan", "Ruziz Kestrovan/data", "Ruziz Kestrovan/data/notes.txt",
                                               "Ruziz Kestrovan/data/sounds", "Ruziz Kestrovan/data/sounds/mine.wav"}));

  // Once the user's files are gone too, a second install and uninstall leave nothing at all.
  std::filesystem::remove_all(destination);
  ASSERT_EQ(install().exit_code, 0);
  ProcessResult again = run(package(), {"--uninstall", "--target", destination, "--yes"});
  EXPECT_EQ(again.exit_code, 0) << again.output;
  EXPECT_FALSE(exists(destination));
  EXPECT_TRUE(changes_below(target_before, target.path()).empty());
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

TEST_F(Scripting, CommandLinesThatCannotBeUnderstoodShowTheUsage) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--frobnicate"}, {"--yes", "--overwrite", "ask"}, {"--list", "--check"}}) {
    ProcessResult r = run(package(), arguments);
    EXPECT_EQ(r.exit_code, 2) << arguments[0];
    EXPECT_NE(r.output.find("usage: "), std::string::npos) << r.output;
  }
  ProcessResult help = run(package(), {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.output.starts_with("usage: ")) << help.output;
  EXPECT_TRUE(snapshot_tree(start.path()).size() == 0 && !exists(destination));
}

}  // namespace
