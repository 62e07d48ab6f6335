// Whole runs in-process on the scripted front end: the window thread, the worker and the engine
// together, from the package file to the launchers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "installer/frontend/manifest.h"
#include "installer/frontend/window.h"
#include "installer/platform/file_digest.h"
#include "installer/platform/files.h"
#include "installer/platform/output_writer.h"
#include "installer/resources/strings.h"
#include "installer_test_support.h"

using namespace testsupport;
using platform::ScriptedUi;

namespace {

// The desktop's folders are looked up once per process: one home for the whole binary.
class Home : public ::testing::Environment {
 public:
  void SetUp() override {
    path = std::make_unique<TempDir>();
    setenv("HOME", path->path().c_str(), 1);
    setenv("XDG_DATA_HOME", (*path / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (*path / "config").c_str(), 1);
    setenv("XDG_DATA_DIRS", "/nonexistent", 1);
  }
  static std::unique_ptr<TempDir> path;
};
std::unique_ptr<TempDir> Home::path;
const auto* const home_environment = ::testing::AddGlobalTestEnvironment(new Home);

class Run : public ::testing::Test {
 protected:
  Run() : home(*Home::path), here(start.path()) {
    folder.files = {source_file("Kestrovan", pattern_bytes(150000, 1)),
                    source_file("readme.txt", pattern_bytes(3000, 2)),
                    source_file("sounds/Fire.wav", pattern_bytes(40000, 3), 0x21)};
  }
  void package(const vexapack::PackageSettings& settings, std::vector<uint8_t> cabinet = {}) {
    if (cabinet.empty()) cabinet = cabwriter::serialize(cabwriter::build_cabinet({folder}));
    write_file(packages / "setup", package_without_stub(settings, cabinet));
  }
  void run() { installer_main(ui, utf8_to_utf16(packages / "setup")); }
  void expect_installed(const std::string& where) {
    for (const cabwriter::SourceFile& f : folder.files) {
      EXPECT_EQ(read_file(where + "/" + f.name), f.data) << f.name;
      EXPECT_EQ(mtime_of(where + "/" + f.name), local_time_of(f.date, f.time)) << f.name;
    }
  }
  bool shown(const std::string& event) {
    std::vector<std::string> events = ui.events();
    return std::find(events.begin(), events.end(), event) != events.end();
  }

  void TearDown() override {
    if (HasFailure())
      for (const std::string& e : ui.events()) std::printf("  event: %s\n", e.c_str());
    std::remove((home / "Desktop/Kestrovan.desktop").c_str());
    std::remove((home / "data/applications/Kestrovan.desktop").c_str());
  }

  const TempDir& home;
  TempDir start, packages, target;
  ScopedChdir here;
  cabwriter::SourceFolder folder;
  ScriptedUi ui;
};

TEST_F(Run, InstallsIntoTheChosenFolderAndMakesTheTickedLaunchers) {
  package(shipped_settings("Kestrovan"));
  ui.install_answer = platform::InstallAnswer{target / "new/level", {false, true, true}};
  run();
  expect_installed(target / "new/level");
  EXPECT_EQ(mode_of(target / "new/level/sounds/Fire.wav") & 0222, 0u);
  EXPECT_EQ(ui.last_install_form.caption, "Ruziz Kestrovan");
  EXPECT_FALSE(ui.last_install_form.boxes[2].enabled);
  EXPECT_TRUE(exists(home / "Desktop/Kestrovan.desktop"));
  EXPECT_FALSE(exists(home / "data/applications/Kestrovan.desktop"));
  EXPECT_FALSE(exists(home / "data/Thunar/sendto/Kestrovan.desktop"));  // greyed stays unticked
  std::vector<std::string> events = ui.events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], "caption Vexa SFX");
  EXPECT_EQ(events[1], "install Ruziz Kestrovan");
  EXPECT_EQ(events[2], "caption Ruziz Kestrovan");
  EXPECT_EQ(events[3], "show");
  EXPECT_TRUE(shown("status sounds/Fire.wav"));
  EXPECT_TRUE(shown("progress 100"));
  EXPECT_EQ(events.back(), "destroy");
}

// A cabinet that holds a name twice: the second entry finds the first installed (its commit on
// the writer thread is waited for, however slow the disk) and asks; "no" keeps the first.
TEST_F(Run, ANameTwiceInTheCabinetAsksAboutTheFirstOne) {
  folder.files = {source_file("same.bin", pattern_bytes(1 << 20, 4)), source_file("same.bin", pattern_bytes(10, 5))};
  package(shipped_settings("Kestrovan"));
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  ui.overwrite_answers = {platform::ANSWER_NO};
  testsupport::WriteFaults slow_disk;
  slow_disk.pause_us = 20000;
  installer_main(ui, utf8_to_utf16(packages / "setup"), faulty_output_syscalls(slow_disk));
  EXPECT_TRUE(shown("overwrite same.bin " + utf16_to_utf8(STRING_OVERWRITE_QUESTION)));
  EXPECT_EQ(read_file(target / "same.bin"), folder.files[0].data);
}

// The bar's positions, sent where the bytes are written while the worker decodes on, still
// arrive one per whole percent, rising, all of them before the window closes.
TEST_F(Run, TheBarRisesByEveryPercentBeforeTheWindowCloses) {
  folder.files = {source_file("big.bin", pattern_bytes(1 << 20, 4)), source_file("small.txt", pattern_bytes(10, 5)),
                  source_file("more.bin", pattern_bytes(600000, 6))};
  package(shipped_settings("Kestrovan"));
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  testsupport::WriteFaults slow_disk;
  slow_disk.pause_us = 2000;
  installer_main(ui, utf8_to_utf16(packages / "setup"), faulty_output_syscalls(slow_disk));
  expect_installed(target.path());
  std::vector<uint32_t> positions;
  bool closed = false;
  for (const std::string& e : ui.events()) {
    closed = closed || e == "destroy";
    if (!e.starts_with("progress ")) continue;
    EXPECT_FALSE(closed) << e;
    positions.push_back(uint32_t(std::stoul(e.substr(9))));
  }
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 100u);
  EXPECT_TRUE(std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<>()) == positions.end());
  EXPECT_GE(positions.size(), 30u);  // the 32 KiB writes of 1.6 MB cross most percents
}

TEST_F(Run, WithoutSettingsItExtractsHereWithoutQuestions) {
  vexapack::PackageSettings plain;
  plain.has_settings = false;
  package(plain);
  run();
  expect_installed(start.path());
  std::vector<std::string> events = ui.events();
  EXPECT_EQ(events[0], "caption Vexa SFX");
  EXPECT_EQ(events[1], "caption Vexa SFX");
  EXPECT_EQ(std::count_if(events.begin(), events.end(), [](auto& e) { return e.starts_with("install"); }), 0);
}

TEST_F(Run, CancellingTheInstallQuestionExtractsNothing) {
  package(shipped_settings("Kestrovan"));
  run();  // no install answer: キャンセル
  EXPECT_TRUE(list_tree(start.path()).empty());
  EXPECT_FALSE(shown("show"));
  EXPECT_EQ(ui.events().back(), "destroy");
}

TEST_F(Run, AnEmptyDestinationExtractsWhereTheInstallerStarted) {
  package(shipped_settings("Kestrovan"));
  ui.install_answer = platform::InstallAnswer{std::string(), {}};
  run();
  expect_installed(start.path());
}

TEST_F(Run, ADestinationThatCannotBeCreatedSaysSoAndStops) {
  package(shipped_settings("Kestrovan"));
  write_file(target / "file", "in the way");
  ui.install_answer = platform::InstallAnswer{target / "file/sub", {}};
  run();
  EXPECT_TRUE(shown("message フォルダを作成できません 16"));
  EXPECT_FALSE(shown("show"));
  EXPECT_TRUE(list_tree(start.path()).empty());
}

TEST_F(Run, ADamagedCabinetIsReportedOnceAndKeepsTheWrittenFiles) {
  cabwriter::CabinetImage cabinet = cabwriter::build_cabinet({folder});
  cabinet.folders[0].blocks.back().data[10] ^= 0xFF;  // the checksum no longer matches
  vexapack::PackageSettings settings = shipped_settings("Kestrovan");
  settings.desktop = 0x03;
  package(settings, cabwriter::serialize(cabinet));
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  run();
  std::vector<std::string> events = ui.events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "message 自己解凍書庫が破損しています。 16"), 1);
  EXPECT_EQ(read_file(target / "Kestrovan"), folder.files[0].data);
  EXPECT_FALSE(exists(home / "Desktop/Kestrovan.desktop"));
}

TEST_F(Run, NotACabinetAtTheOffsetIsADamagedPackage) {
  package(shipped_settings("Kestrovan"), std::vector<uint8_t>(100, 'x'));
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  run();
  EXPECT_TRUE(shown("message 自己解凍書庫が破損しています。 16"));
}

TEST_F(Run, TheAbortButtonEndsAfterTheCurrentFileLikeAFinishedRun) {
  vexapack::PackageSettings settings = shipped_settings("Kestrovan");
  settings.desktop = 0x03;
  settings.run_after = "readme.txt";
  package(settings);
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  ui.on_event = [](ScriptedUi& ui, const std::string& event) {
    // The button's click, handled at once on the window thread.
    if (event == "status Kestrovan") ui.queue().send({WM_COMMAND, ID_ABORT_BUTTON, 0});
  };
  run();
  EXPECT_EQ(read_file(target / "Kestrovan"), folder.files[0].data);  // finished, and stamped
  EXPECT_EQ(mtime_of(target / "Kestrovan"), local_time_of(folder.files[0].date, folder.files[0].time));
  EXPECT_FALSE(exists(target / "readme.txt"));
  EXPECT_FALSE(shown("status readme.txt"));
  EXPECT_TRUE(exists(home / "Desktop/Kestrovan.desktop"));
  EXPECT_TRUE(shown("open " + target / "readme.txt"));
  for (const std::string& e : ui.events()) EXPECT_FALSE(e.starts_with("message")) << e;
}

TEST_F(Run, ClosingTheWindowLeavesTheWorkerToFinishAlone) {
  vexapack::PackageSettings settings = shipped_settings("Kestrovan");
  settings.desktop = 0x03;
  package(settings);
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  ui.on_event = [](ScriptedUi& ui, const std::string& event) {
    if (event == "status Kestrovan") ui.queue().post({WM_CLOSE, 0, 0});
  };
  run();  // returns once the worker has gone through the cabinet
  expect_installed(target.path());
  EXPECT_FALSE(shown("status readme.txt"));
  EXPECT_FALSE(exists(home / "Desktop/Kestrovan.desktop"));
}

TEST_F(Run, AnUnreadableOwnFileShowsTheSystemsMessage) {
  installer_main(ui, utf8_to_utf16(packages / "missing"));
  EXPECT_TRUE(shown("message No such file or directory 48"));
}

TEST_F(Run, AHeaderCutShortOrMissingIsADamagedPackage) {
  std::vector<uint8_t> bytes = package_without_stub(shipped_settings("Kestrovan"), {});
  for (size_t size : {size_t(PACKAGE_OFFSET + 20), size_t(PACKAGE_OFFSET - 100)}) {
    bytes.resize(size);
    write_file(packages / "setup", bytes);
    platform::ScriptedUi fresh;
    EXPECT_EQ(installer_main(fresh, utf8_to_utf16(packages / "setup")), 1);
    EXPECT_EQ(fresh.events(), std::vector<std::string>({"caption Vexa SFX", "message 自己解凍書庫が破損しています。 16", "destroy"}));
  }
}

TEST_F(Run, AWindowThatCannotBeCreatedEndsAtOnce) {
  package(shipped_settings("Kestrovan"));
  ui.window_creatable = false;
  run();
  EXPECT_TRUE(ui.events().empty());
}

// Files that begin in the second and third cabinet are installed too, and the cabinet that is
// not beside the installer is asked for.
TEST_F(Run, ASetWhoseSecondCabinetIsElsewhere) {
  auto [big, set] = three_cabinet_set();
  ASSERT_EQ(set.size(), 3u);
  write_file(packages / "setup", package_without_stub(shipped_settings("file0"), cabwriter::serialize(set[0])));
  write_file(target / set[1].file_name, cabwriter::serialize(set[1]));
  write_file(packages / set[2].file_name, cabwriter::serialize(set[2]));
  TempDir destination;
  ui.install_answer = platform::InstallAnswer{destination.path(), {}};
  // disk2 is asked for; disk3 is then looked for beside disk2 and asked for as well.
  ui.cabinet_folders = {target.path(), packages.path()};
  run();
  folder = big;
  expect_installed(destination.path());
  EXPECT_EQ(list_tree(destination.path()).size(), 6u);
  EXPECT_TRUE(shown("cabinet disk2.cab の場所(&D)"));
  for (const std::string& e : ui.events()) EXPECT_FALSE(e.starts_with("message")) << e;
}

// Faults of the disk, injected under the writer. The files are small: one write call each, in
// cabinet order.
struct FaultCase {
  const char* what;
  testsupport::WriteFaults faults;
  int exit_code;
  std::string message;                // the one message box's text
  std::vector<std::string> replaced;  // files that get their new content
};

class RunFaults : public Run, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(RunFaults, OneMessageNoLauncherAndEveryEarlierFileWhole) {
  const FaultCase& c = GetParam();
  vexapack::PackageSettings settings = shipped_settings("Kestrovan");
  settings.desktop = 0x03;
  settings.run_after = "readme.txt";
  package(settings);
  std::filesystem::create_directories(target / "sounds");
  for (const cabwriter::SourceFile& f : folder.files) write_file(target / f.name, "earlier " + f.name);
  ui.install_answer = platform::InstallAnswer{target.path(), {}};
  ui.overwrite_answers = {platform::ANSWER_YES_TO_ALL};
  EXPECT_EQ(installer_main(ui, utf8_to_utf16(packages / "setup"), faulty_output_syscalls(c.faults)), c.exit_code);

  std::vector<std::string> messages;
  for (const std::string& e : ui.events())
    if (e.starts_with("message ")) messages.push_back(e);
  EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{"message " + c.message + " 16"});
  for (const cabwriter::SourceFile& f : folder.files) {
    bool replaced = std::count(c.replaced.begin(), c.replaced.end(), f.name) != 0;
    std::string earlier = "earlier " + f.name;
    EXPECT_EQ(read_file(target / f.name), replaced ? f.data : std::vector<uint8_t>(earlier.begin(), earlier.end())) << f.name;
  }
  EXPECT_EQ(temporary_files(snapshot_tree(target.path())), std::vector<std::string>{});
  EXPECT_EQ(exists(home / "Desktop/Kestrovan.desktop"), c.exit_code == 0);
  EXPECT_EQ(shown("open " + target / "readme.txt"), c.exit_code == 0);
}

// A scripted install keeps its record whatever the outcome: it names exactly the files that took
// their new content, with the digest of that content.
TEST_P(RunFaults, TheRecordNamesEveryReplacedFileAndNoOther) {
  const FaultCase& c = GetParam();
  package(shipped_settings("Kestrovan"));
  std::filesystem::create_directories(target / "sounds");
  for (const cabwriter::SourceFile& f : folder.files) write_file(target / f.name, "earlier " + f.name);
  CommandLine line;
  line.given = line.yes = true;
  line.target = target.path();
  line.overwrite = OverwritePolicy::All;
  line.launchers = 0;
  ui.install_answer = platform::InstallAnswer{target.path(), {}};  // what the --yes front end fills in
  installer_main(ui, utf8_to_utf16(packages / "setup"), line, faulty_output_syscalls(c.faults));

  std::vector<uint8_t> text = read_file(target / MANIFEST_NAME);
  std::optional<Manifest> record = parse_manifest(std::string(text.begin(), text.end()), nullptr);
  ASSERT_TRUE(record.has_value());
  std::vector<std::string> recorded;
  for (const ManifestFile& entry : record->files) {
    recorded.push_back(entry.path);
    ManifestFile on_disk;
    int handle = platform::open_path(target / entry.path, platform::FileAccess::Read, platform::FileDisposition::OpenExisting);
    ASSERT_TRUE(platform::sha256_of_handle(handle, &on_disk.size, &on_disk.sha256)) << entry.path;
    platform::close_file(handle);
    EXPECT_EQ(std::tie(entry.size, entry.sha256), std::tie(on_disk.size, on_disk.sha256)) << entry.path;
  }
  EXPECT_EQ(recorded, c.replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Disk, RunFaults,
    ::testing::Values(
        FaultCase{"full at the first write", {1, ENOSPC}, 1, "Kestrovan: No space left on device", {}},
        FaultCase{"I/O error at the second write", {2, EIO}, 1, "readme.txt: Input/output error", {"Kestrovan"}},
        FaultCase{"full in a folder", {3, ENOSPC}, 1, "sounds/Fire.wav: No space left on device", {"Kestrovan", "readme.txt"}},
        FaultCase{"short writes arrive whole", {0, 0, 100}, 0, "", {"Kestrovan", "readme.txt", "sounds/Fire.wav"}}),
    [](const auto& info) { return test_name_of(info.param.what); });

}  // namespace
