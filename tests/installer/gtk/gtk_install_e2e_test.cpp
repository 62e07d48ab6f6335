// The real stub on a virtual display, driven with xdotool as a user would: the shipped package
// installed with the desktop box ticked, a second run answering すべて上書き, 中止 pressed in the
// middle of a run, a damaged package, a folder that cannot be made and a cabinet set whose
// next cabinet lies elsewhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "background_process.h"
#include "installer_test_support.h"
#include "virtual_display.h"

using namespace testsupport;

namespace {

constexpr char TITLE[] = "^Ruziz Kestrovan$";
constexpr char OVERWRITE_CAPTION[] = "^ファイルの上書きの確認$";
constexpr char ERROR_CAPTION[] = "^エラー$";
constexpr char CABINET_CAPTION[] = "^CABファイルの解凍$";
constexpr char FOLDER_CHOOSER_TITLE[] = "^解凍先フォルダの指定$";
constexpr char FILE_CHOOSER_TITLE[] = "^開く$";
constexpr int PROGRESS_WIDTH = 214, PROGRESS_HEIGHT = 74;

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

class GtkInstall : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display = new VirtualDisplay(); }
  static void TearDownTestSuite() {
    delete display;
    display = nullptr;
  }
  void SetUp() override {
    ASSERT_FALSE(display->name().empty()) << "Xvfb did not start";
    display->xdotool({"mousemove", "400", "300"});
  }

  std::unique_ptr<BackgroundProcess> start_installer(const std::string& package) {
    // Only the shared data folder, so that menu launchers stay here: the toolkit must still
    // find its icons and file types (it aborted at the first message box without them). No
    // session bus here: the file chooser keeps its settings in memory.
    return std::make_unique<BackgroundProcess>(
        package, start.path(),
        std::vector<std::string>{"DISPLAY=" + display->name(), "VEXASFX_UI=gtk", "HOME=" + home.path(),
                                 "XDG_DATA_DIRS=" + shared.path(), "XDG_DATA_HOME=",
                                 "XDG_CONFIG_HOME=", "WAYLAND_DISPLAY=", "GSETTINGS_BACKEND=memory"});
  }
  std::string make_package(const vexapack::PackageSettings& settings, const std::vector<uint8_t>& cabinet) {
    std::string path = packages / "setup";
    write_file(path, vexapack::assemble_package(read_file(VEXASFX), settings, cabinet));
    chmod(path.c_str(), 0755);
    return path;
  }

  void focus(const WindowInfo& w) { display->xdotool({"windowfocus", "--sync", w.id}); }
  void key(const std::string& keys) { display->xdotool({"key", keys}); }
  void type(const std::string& text) { display->xdotool({"type", "--delay", "2", text}); }

  // Types the destination into the install dialog and presses Enter for OK.
  void answer_install_dialog(const std::string& destination) {
    WindowInfo dialog;
    ASSERT_TRUE(display->wait_for_window(TITLE, dialog));
    EXPECT_NE(dialog.width, PROGRESS_WIDTH);  // the dialog, not the progress window
    focus(dialog);
    key("ctrl+a");
    type(destination);
    key("Return");
  }
  // The package of `folder` with the desktop launcher ticked, started over an earlier file,
  // the install dialog answered.
  std::unique_ptr<BackgroundProcess> start_busy_installer(const cabwriter::SourceFolder& folder,
                                                          const std::string& earlier, const std::string& content) {
    vexapack::PackageSettings settings = shipped_settings("first");
    settings.desktop = 0x03;
    write_file(target / earlier, content);
    auto run = start_installer(make_package(settings, cabwriter::serialize(cabwriter::build_cabinet({folder}))));
    answer_install_dialog(target.path());
    return run;
  }
  // Presses Enter in the one window with that caption; false when none came.
  bool confirm(const std::string& caption, const std::string& shot) {
    WindowInfo box;
    if (!display->wait_for_window(caption, box)) return false;
    display->screenshot(shot);
    focus(box);
    key("Return");
    return true;
  }
  // Waits for the end of the run, noting every message box that shows meanwhile.
  int finish(BackgroundProcess& run, std::set<std::string>* boxes = nullptr, const char* caption = ERROR_CAPTION) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (run.running() && std::chrono::steady_clock::now() < deadline) {
      if (boxes)
        for (const WindowInfo& w : display->windows(caption)) boxes->insert(w.id);
      pause_ms(20);
    }
    return run.wait(1);
  }
  void expect_quiet(const BackgroundProcess& run) {
    // The toolkit reports missing icons, fonts or bad calls on the error stream.
    std::string output = run.output();
    EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;
    EXPECT_EQ(output.find("CRITICAL"), std::string::npos) << output;
  }

  static VirtualDisplay* display;
  TempDir home, shared, start, target, packages;
};

VirtualDisplay* GtkInstall::display = nullptr;

PackageContents package_contents() { return read_package_contents(PACKAGE_CONTENTS); }

class ShippedPackage : public GtkInstall {
 protected:
  void expect_installed() {
    for (const std::string& source : contents.sources)
      EXPECT_EQ(read_file(destination + "/" + base_name(source)), read_file(source)) << source;
  }
  PackageContents contents = package_contents();
  std::string destination = target / "Ruziz Kestrovan";
};

TEST_F(ShippedPackage, InstallsWithTheDesktopBoxTickedAndCancellingTheChooserChangesNothing) {
  auto run = start_installer(DIST_PACKAGE);
  WindowInfo dialog;
  ASSERT_TRUE(display->wait_for_window(TITLE, dialog));
  display->screenshot("install-dialog");
  focus(dialog);
  key("ctrl+a");
  type(destination);
  key("alt+r");
  WindowInfo chooser;
  ASSERT_TRUE(display->wait_for_window(FOLDER_CHOOSER_TITLE, chooser));
  pause_ms(300);
  display->screenshot("folder-chooser");
  focus(chooser);
  key("Escape");
  pause_ms(200);
  WindowInfo again;
  ASSERT_TRUE(display->wait_for_window(TITLE, again));
  focus(again);
  key("alt+d");
  pause_ms(200);  // drawn before the picture is taken
  display->screenshot("install-dialog-desktop-ticked");
  key("Return");
  EXPECT_EQ(finish(*run), 0) << run->output();

  expect_installed();
  std::string launcher = home / "Desktop/Kestrovan.desktop";
  ASSERT_TRUE(exists(launcher));
  std::vector<uint8_t> text = read_file(launcher);
  std::string program = destination + "/" + contents.program;
  EXPECT_NE(std::string(text.begin(), text.end()).find("Exec=\"" + program + "\"\n"), std::string::npos);
  EXPECT_FALSE(exists(shared / "applications/Kestrovan.desktop"));  // offered, left empty
  expect_quiet(*run);
}

TEST_F(ShippedPackage, ASecondRunAnsweredWithOverwriteAllAsksOnce) {
  auto first = start_installer(DIST_PACKAGE);
  answer_install_dialog(destination);
  ASSERT_EQ(finish(*first), 0) << first->output();
  for (const std::string& source : contents.sources) write_file(destination + "/" + base_name(source), "spoilt");

  display->xdotool({"mousemove", "500", "200"});
  auto second = start_installer(DIST_PACKAGE);
  answer_install_dialog(destination);
  WindowInfo question;
  ASSERT_TRUE(display->wait_for_window(OVERWRITE_CAPTION, question));
  // Beneath the question the progress window stands centred on the pointer, 32 pixels below.
  std::vector<WindowInfo> progress = display->windows(TITLE);
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].x, 500 - 110);
  EXPECT_EQ(progress[0].y, 200 + 32);
  EXPECT_EQ(progress[0].width, PROGRESS_WIDTH);
  EXPECT_EQ(progress[0].height, PROGRESS_HEIGHT);
  display->screenshot("overwrite-dialog");
  focus(question);
  key("alt+a");
  std::set<std::string> questions{question.id};
  EXPECT_EQ(finish(*second, &questions, OVERWRITE_CAPTION), 0) << second->output();
  EXPECT_EQ(questions.size(), 1u);
  expect_installed();
  expect_quiet(*second);
}

// Thousands of small files keep the worker busy (each one's name goes to the window and
// waits for it) long enough for the test to act in the middle.
cabwriter::SourceFolder busy_folder() {
  cabwriter::SourceFolder folder;
  folder.type_compress = 0;
  folder.files.push_back(source_file("first", pattern_bytes(1 << 20, 1)));
  for (int i = 1; i <= 4000; ++i) folder.files.push_back(source_file("f" + std::to_string(i), pattern_bytes(512, i)));
  return folder;
}

// After an abort or a signal: every file there is whole (the new content, or the earlier one
// where one was), the last file never started, and no temporary file is left.
void expect_whole_files(const std::string& target, const cabwriter::SourceFolder& folder,
                        const std::map<std::string, std::string>& earlier) {
  for (const cabwriter::SourceFile& f : folder.files) {
    if (!exists(target + "/" + f.name)) continue;
    std::vector<uint8_t> now = read_file(target + "/" + f.name);
    auto old = earlier.find(f.name);
    bool is_earlier = old != earlier.end() && now == std::vector<uint8_t>(old->second.begin(), old->second.end());
    EXPECT_TRUE(now == f.data || is_earlier) << f.name;
  }
  EXPECT_FALSE(exists(target + "/" + folder.files.back().name));
  EXPECT_EQ(testsupport::temporary_files(testsupport::snapshot_tree(target)), std::vector<std::string>{});
}

void wait_for_file(const std::string& path) {
  for (int i = 0; i < 6000 && !exists(path); ++i) pause_ms(5);
}

TEST_F(GtkInstall, AbortInTheMiddleEndsWithoutAMessageAndKeepsTheWrittenFiles) {
  cabwriter::SourceFolder folder = busy_folder();
  auto run = start_busy_installer(folder, "first", "an earlier first");
  ASSERT_TRUE(confirm(OVERWRITE_CAPTION, "overwrite-before-abort"));  // はい for first
  pause_ms(100);  // the question gone, the progress window takes clicks again
  std::vector<WindowInfo> progress = display->windows(TITLE);
  ASSERT_EQ(progress.size(), 1u);
  display->xdotool({"mousemove", "--window", progress[0].id, "109", "59", "click", "1"});  // 中止
  std::set<std::string> messages;
  EXPECT_EQ(finish(*run, &messages), 2) << run->output();
  EXPECT_TRUE(messages.empty());
  expect_whole_files(target.path(), folder, {{"first", "an earlier first"}});
  EXPECT_TRUE(exists(home / "Desktop/Kestrovan.desktop"));  // an abort ends in order
  expect_quiet(*run);
}

// A signal in the middle of replacing a file: the earlier file stays whole, no launcher.
TEST_F(GtkInstall, ASignalDuringAReplacementKeepsTheEarlierFile) {
  cabwriter::SourceFolder folder = busy_folder();
  auto run = start_busy_installer(folder, "f2000", "the user's own f2000");
  ASSERT_TRUE(confirm(OVERWRITE_CAPTION, "overwrite-before-signal"));  // はい for f2000
  run->send_signal(SIGTERM);
  EXPECT_EQ(finish(*run), 2) << run->output();
  expect_whole_files(target.path(), folder, {{"f2000", "the user's own f2000"}});
  EXPECT_FALSE(exists(home / "Desktop/Kestrovan.desktop"));
}

// The terminal front end takes SIGINT the same way: what is complete stays, nothing half-made.
TEST_F(GtkInstall, TheTerminalFrontEndStopsOnSigintWithWholeFiles) {
  cabwriter::SourceFolder folder = busy_folder();
  vexapack::PackageSettings settings = shipped_settings("first");
  settings.desktop = 0x03;
  std::string package = make_package(settings, cabwriter::serialize(cabwriter::build_cabinet({folder})));
  write_file(target / "f3000", "an earlier f3000");
  BackgroundProcess run(package, start.path(),
                        {"DISPLAY=", "WAYLAND_DISPLAY=", "VEXASFX_UI=text", "HOME=" + home.path(),
                         "XDG_DATA_DIRS=" + shared.path(), "XDG_DATA_HOME=", "XDG_CONFIG_HOME="},
                        target.path() + "\nn\ny\ny\ny\n");
  wait_for_file(target / "first");
  run.send_signal(SIGINT);
  EXPECT_EQ(run.wait(60), 2) << run.output();
  expect_whole_files(target.path(), folder, {{"f3000", "an earlier f3000"}});
  EXPECT_FALSE(exists(home / "Desktop/Kestrovan.desktop"));
}

TEST_F(GtkInstall, ADamagedPackageShowsItsMessageOnce) {
  DamagedPackageParts damaged = damaged_second_file_package();
  auto run = start_installer(make_package(damaged.settings, damaged.cabinet));
  answer_install_dialog(target.path());
  WindowInfo box;
  ASSERT_TRUE(display->wait_for_window(ERROR_CAPTION, box));
  std::set<std::string> messages{box.id};
  display->screenshot("damaged-package-message");
  focus(box);
  key("Return");
  EXPECT_EQ(finish(*run, &messages), 1) << run->output();
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(read_file(target / "first.txt"), damaged.intact_files[0].data);
  EXPECT_FALSE(exists(home / "Desktop/Kestrovan.desktop"));
  expect_quiet(*run);
}

TEST_F(GtkInstall, AFolderThatCannotBeMadeIsReportedAndNothingIsExtracted) {
  write_file(target / "plain-file", "x");
  cabwriter::SourceFolder folder;
  folder.files = {source_file("one.txt", pattern_bytes(100, 1))};
  auto run = start_installer(make_package(shipped_settings("one.txt"), cabwriter::serialize(cabwriter::build_cabinet({folder}))));
  answer_install_dialog(target / "plain-file/sub");
  WindowInfo box;
  ASSERT_TRUE(display->wait_for_window(ERROR_CAPTION, box));
  std::vector<WindowInfo> behind = display->windows(TITLE);
  ASSERT_EQ(behind.size(), 1u) << "the install dialog closed before its message";
  EXPECT_NE(behind[0].width, PROGRESS_WIDTH);
  ASSERT_TRUE(confirm(ERROR_CAPTION, "cannot-create-folder-message"));
  EXPECT_EQ(finish(*run), 1) << run->output();
  EXPECT_EQ(list_tree(target.path()), std::vector<std::string>{"plain-file"});
  EXPECT_TRUE(list_tree(start.path()).empty());
  expect_quiet(*run);
}

TEST_F(GtkInstall, TheCabinetPromptStaysUntilItsFolderHoldsTheCabinet) {
  auto [folder, set] = three_cabinet_set();
  ASSERT_EQ(set.size(), 3u);
  std::string package = make_package(shipped_settings("file0"), cabwriter::serialize(set[0]));
  TempDir elsewhere;
  write_file(elsewhere / "disk2.cab", cabwriter::serialize(set[1]));
  write_file(elsewhere / "disk3.cab", cabwriter::serialize(set[2]));

  auto run = start_installer(package);
  answer_install_dialog(target.path());
  WindowInfo prompt;
  ASSERT_TRUE(display->wait_for_window(CABINET_CAPTION, prompt));
  display->screenshot("cabinet-prompt");
  focus(prompt);
  key("alt+r");
  WindowInfo chooser;
  ASSERT_TRUE(display->wait_for_window(FILE_CHOOSER_TITLE, chooser));
  pause_ms(300);
  display->screenshot("cabinet-file-chooser");
  focus(chooser);
  key("Escape");
  pause_ms(200);
  // A folder without disk2.cab: OK leaves the prompt open.
  focus(prompt);
  key("ctrl+a");
  type(start.path());
  key("Return");
  pause_ms(500);
  std::vector<WindowInfo> still = display->windows(CABINET_CAPTION);
  ASSERT_EQ(still.size(), 1u);
  EXPECT_EQ(still[0].id, prompt.id);
  key("ctrl+a");
  type(elsewhere.path());
  key("Return");
  EXPECT_EQ(finish(*run), 0) << run->output();  // disk3 is found beside disk2
  for (const cabwriter::SourceFile& f : folder.files) EXPECT_EQ(read_file(target / f.name), f.data) << f.name;
  expect_quiet(*run);
}

}  // namespace
