// Launchers: where they go, what they say, and that the desktop accepts them; then the launch.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "installer/frontend/desktop_fragment.h"
#include "installer/frontend/shortcuts.h"
#include "installer/platform/files.h"
#include "installer/platform/process.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

// The desktop's folders are looked up once per process, so the whole binary lives in one home.
class Home : public ::testing::Environment {
 public:
  void SetUp() override {
    home = std::make_unique<TempDir>();
    setenv("HOME", home->path().c_str(), 1);
    setenv("XDG_DATA_HOME", (*home / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (*home / "config").c_str(), 1);
    setenv("XDG_DATA_DIRS", (*home / "shared:/usr/share").c_str(), 1);
    platform::make_directory(*home / "shared");
    platform::make_directory(*home / "config");
    // A desktop folder with another name than "Desktop": it must be found, not guessed.
    write_file(*home / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  }
  static std::unique_ptr<TempDir> home;
};
std::unique_ptr<TempDir> Home::home;
const auto* const home_environment = ::testing::AddGlobalTestEnvironment(new Home);

std::string home_path(const std::string& name) { return *Home::home / name; }

class Shortcuts : public ::testing::Test {
 protected:
  Shortcuts() : here(destination.path()) {
    app.destination = WideString::from_utf8(destination.path());
    app.settings = PackageHeader{};
    app.settings.valid = 1;
    app.settings.program = u"Kestrovan";
    app.settings.shortcut_name = u"Kestrovan";
  }
  void TearDown() override {
    for (const char* link : {"shared/applications/Kestrovan.desktop", "data/applications/Kestrovan.desktop",
                             "Schreibtisch/Kestrovan.desktop", "data/Thunar/sendto/Kestrovan.desktop"})
      std::remove(home_path(link).c_str());
  }
  std::string entry(const std::string& path) {
    std::vector<uint8_t> bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
  }

  TempDir destination;
  ScopedChdir here;
  InstallerApp app;
};

bool validates(const std::string& path) {
  std::string validator = platform::find_program("desktop-file-validate");
  if (validator.empty()) ADD_FAILURE() << "desktop-file-validate is not installed";
  ProcessResult result = run_process(validator, {path}, "", "", {});
  EXPECT_EQ(result.output, "") << path;
  return result.exit_code == 0;
}

TEST_F(Shortcuts, CheckedOptionsMakeLaunchersInTheirFolders) {
  app.settings.start_menu = 0x03;
  app.settings.desktop = 0x02;  // greyed and ticked: always made
  app.settings.send_to = 0x01;  // offered, not ticked
  create_shortcuts(app);
  std::string menu = home_path("shared/applications/Kestrovan.desktop");
  std::string desktop = home_path("Schreibtisch/Kestrovan.desktop");
  ASSERT_TRUE(exists(menu));
  ASSERT_TRUE(exists(desktop));
  EXPECT_FALSE(exists(home_path("data/Thunar/sendto/Kestrovan.desktop")));
  EXPECT_TRUE(validates(menu));
  EXPECT_TRUE(validates(desktop));
  EXPECT_EQ(mode_of(desktop) & 0777, 0755u);
  std::string text = entry(menu);
  EXPECT_NE(text.find("Exec=\"" + destination.path() + "/Kestrovan\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Path=" + destination.path() + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Name=Kestrovan\n"), std::string::npos);
  EXPECT_NE(text.find("Icon=application-x-executable\n"), std::string::npos);
}

TEST_F(Shortcuts, SendToPassesTheChosenFiles) {
  app.settings.send_to = 0x03;
  create_shortcuts(app);
  std::string link = home_path("data/Thunar/sendto/Kestrovan.desktop");
  ASSERT_TRUE(exists(link));
  EXPECT_TRUE(validates(link));
  EXPECT_NE(entry(link).find("/Kestrovan\" %F\n"), std::string::npos);
}

TEST_F(Shortcuts, NamesComeFromTheProgramWhenNoneIsGiven) {
  app.settings.shortcut_name = u"";
  app.settings.program = u"bin/ruziz.game.sh";
  app.destination = WideString::from_utf8(destination.path() + "/");  // no doubled separator
  create_shortcut(app, 0x19);
  std::string link = home_path("Schreibtisch/ruziz.game.desktop");
  ASSERT_TRUE(exists(link));
  EXPECT_NE(entry(link).find("Exec=\"" + destination.path() + "/bin/ruziz.game.sh\"\n"), std::string::npos)
      << entry(link);
  std::remove(link.c_str());
}

TEST_F(Shortcuts, AnIconBesideTheProgramIsUsed) {
  write_file(destination / "Kestrovan.png", "png");
  create_shortcut(app, 0x19);
  EXPECT_NE(entry(home_path("Schreibtisch/Kestrovan.desktop")).find("Icon=" + destination.path() + "/Kestrovan.png\n"),
            std::string::npos);
}

TEST_F(Shortcuts, AFragmentBesideTheProgramFilesTheLaunchersInTheMenu) {
  write_file(destination / "Kestrovan.desktop",
             "[Desktop Entry]\nExec=rm -rf /\nCategories=Game;ArcadeGame;\nComment=Shoot\n"
             "Comment[ja]=撃て\nStartupWMClass=Kestrovan\nIcon=evil\n");
  app.settings.start_menu = 0x03;
  app.settings.send_to = 0x03;
  create_shortcuts(app);
  for (const char* link : {"shared/applications/Kestrovan.desktop", "data/Thunar/sendto/Kestrovan.desktop"}) {
    std::string text = entry(home_path(link));
    EXPECT_TRUE(text.ends_with("Terminal=false\nCategories=Game;ArcadeGame;\nComment=Shoot\nComment[ja]=撃て\n"
                               "StartupWMClass=Kestrovan\n")) << text;
    EXPECT_EQ(text.find("evil"), std::string::npos);
    EXPECT_EQ(text.find("rm -rf"), std::string::npos);
    EXPECT_TRUE(validates(home_path(link)));
  }
}

TEST(DesktopFragment, TakesTheMenuKeysOfTheEntryGroupOnly) {
  struct Case {
    const char* text;
    const char* keys;
  } cases[] = {
      {"[Desktop Entry]\nCategories=Game;\n", "Categories=Game;\n"},
      {"# note\n[Desktop Entry]\r\n  Keywords[sr@latin] = a;b; \r\n", "Keywords[sr@latin]=a;b;\n"},
      {"[Desktop Entry]\nGenericName=One\nGenericName=Two\n", "GenericName=One\n"},  // the first counts
      {"Categories=Game;\n[Desktop Entry]\n", ""},                                       // outside any group
      {"[Desktop Entry]\n[Other]\nCategories=Game;\n", ""},                              // another group
      {"[Other]\nCategories=Game;\n", ""},
      {"[Desktop Entry]\nName=X\nExec=x\nIcon=x\nPath=/\nTryExec=x\nHidden=true\n", ""},
      {"[Desktop Entry]\nCategories[ja]=Game;\nComment[a/b]=x\nComment[]=x\n", ""},  // bad locales
      {"[Desktop Entry]\nComment=\x01\nComment[de]=\xff\nGenericName=\nKeywords\n", ""},
      {"[Desktop Entry]\nComment=\x01\nComment=good\n", "Comment=good\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(desktop_fragment_keys(c.text), c.keys) << c.text;
  EXPECT_EQ(desktop_fragment_keys("[Desktop Entry]\nComment=" + std::string(1025, 'x') + "\n"), "");
  EXPECT_EQ(desktop_fragment_path("/opt/k/Kestrovan"), "/opt/k/Kestrovan.desktop");
  EXPECT_EQ(desktop_fragment_path("/opt/k/bin/ruziz.game.sh"), "/opt/k/bin/ruziz.game.desktop");
  EXPECT_EQ(desktop_fragment_path("/opt/k.d/.hidden"), "/opt/k.d/.hidden.desktop");
}

TEST_F(Shortcuts, ARerunReplacesTheLauncher) {
  write_file(home_path("Schreibtisch/Kestrovan.desktop"), "stale");
  create_shortcut(app, 0x19);
  EXPECT_TRUE(entry(home_path("Schreibtisch/Kestrovan.desktop")).starts_with("[Desktop Entry]\n"));
}

TEST_F(Shortcuts, TheStartMenuFallsBackToTheUsersOwnFolder) {
  std::string shared = getenv("XDG_DATA_DIRS");
  setenv("XDG_DATA_DIRS", "/nonexistent/share", 1);
  create_shortcut(app, 0x17);
  setenv("XDG_DATA_DIRS", shared.c_str(), 1);
  EXPECT_TRUE(exists(home_path("data/applications/Kestrovan.desktop")));
}

TEST_F(Shortcuts, ARelativeDestinationIsMadeAbsolute) {
  app.destination = u"relative/place";  // the install dialog has entered it: it is the current folder
  EXPECT_EQ(absolute_destination(app), destination.path());
}

TEST(DesktopEntry, QuotesAndEscapesTheTarget) {
  EXPECT_EQ(quote_exec_argument("/opt/a b/prog"), "\"/opt/a b/prog\"");
  EXPECT_EQ(quote_exec_argument("/x/$HOME`\"\\100%"), "\"/x/\\$HOME\\`\\\"\\\\100%%\"");
  std::string text = desktop_entry_text("Na\\me", "/a\\b", "/a", "icon", false);
  EXPECT_NE(text.find("Exec=\"/a\\\\\\\\b\"\n"), std::string::npos) << text;  // four backslashes
  EXPECT_NE(text.find("Name=Na\\\\me\n"), std::string::npos) << text;
}

TEST(DesktopEntry, HardTargetsStillValidate) {
  TempDir dir;
  std::string path = dir / "hard.desktop";
  write_file(path, desktop_entry_text("ルジズ 100%", "/opt/my \"game\"/$run`\\x%", "/opt/my \"game\"",
                                      "application-x-executable", true));
  EXPECT_TRUE(validates(path));
}

TEST_F(Shortcuts, LaunchStartsAProgramInTheDestination) {
  write_file(destination / "run.sh", "#!/bin/sh\npwd > started-in\n");
  platform::add_execute_bits(destination / "run.sh");
  app.settings.run_after = u"run.sh";
  platform::ScriptedUi ui;
  app.main_window = &ui;
  launch_program(app);
  for (int i = 0; i < 200 && !exists(destination / "started-in"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(exists(destination / "started-in"));
  for (int i = 0; i < 50 && read_file(destination / "started-in").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::vector<uint8_t> where = read_file(destination / "started-in");
  EXPECT_EQ(std::string(where.begin(), where.end()), destination.path() + "\n");
  EXPECT_TRUE(ui.events().empty());
}

TEST_F(Shortcuts, LaunchOpensADocumentWithTheDefaultApplication) {
  write_file(destination / "readme.txt", "text");
  app.settings.run_after = u"readme.txt";
  platform::ScriptedUi ui;
  app.main_window = &ui;
  launch_program(app);
  EXPECT_EQ(ui.events(), std::vector<std::string>({"open " + destination.path() + "/readme.txt"}));
}

}  // namespace
