// `cmake --install` into a temporary prefix, then everything a user of that prefix would touch:
// the desktop's files pass their validators, the man pages render cleanly, the `kestrovan`
// command starts the game with its media, and the installed vexapack finds its stub.
#include <gtest/gtest.h>

#include <memory>

#include "e2e_support.h"
#include "installer/platform/files.h"
#include "installer/platform/process.h"
#include "installer_test_support.h"
#include "release_support.h"

using namespace testsupport;

namespace {

class InstallTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    prefix = std::make_unique<TempDir>();
    ProcessResult r = run_process(CMAKE_COMMAND, {"--install", KV_BUILD_DIR, "--prefix", prefix->path(), "--strip"},
                                  "", "", {});
    install_log = r.output;
    installed = r.exit_code == 0;
  }
  static void TearDownTestSuite() { prefix.reset(); }
  void SetUp() override { ASSERT_TRUE(installed) << install_log; }
  static std::string at(const std::string& name) { return *prefix / name; }

  static std::unique_ptr<TempDir> prefix;
  static std::string install_log;
  static bool installed;
};
std::unique_ptr<TempDir> InstallTree::prefix;
std::string InstallTree::install_log;
bool InstallTree::installed = false;

const char* const MAN_PAGES[] = {"share/man/man1/vexacab.1.gz", "share/man/man1/vexapack.1.gz",
                                 "share/man/man1/kestrovan-sim.1.gz", "share/man/man6/kestrovan.6.gz"};

TEST_F(InstallTree, PutsEveryPieceInItsPlace) {
  for (const char* program : {"bin/vexacab", "bin/vexapack", "bin/kestrovan-sim", "bin/kestrovan",
                              "lib/vexasfx/vexasfx", "lib/ruziz-kestrovan/Kestrovan"})
    EXPECT_TRUE(platform::is_executable_file(at(program))) << program;
  for (const char* media : {"fire.wav", "hit.wav", "Inv1.wav", "Inv2.wav", "Inv3.wav", "Inv4.wav", "InvHit.wav",
                            "Start.wav", "ufo.wav", "UfoHit.wav", "bgm.mid", "Kestrovan.png", "ReadMe.txt"})
    EXPECT_TRUE(exists(at("lib/ruziz-kestrovan/") + media)) << media;
  for (const char* size : {"48x48", "128x128", "256x256"}) {
    std::string icon = at("share/icons/hicolor/") + size + "/apps/net.ruziz.Kestrovan.png";
    ASSERT_TRUE(exists(icon)) << icon;
    std::vector<uint8_t> png = read_file(icon);
    int side = std::stoi(size);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png[16] << 24 | png[17] << 16 | png[18] << 8 | png[19], side) << icon;  // IHDR width
  }
  for (const char* page : MAN_PAGES) EXPECT_TRUE(exists(at(page))) << page;
  // The command is a link into the game's folder, so that the game finds its media there.
  ProcessResult link = run_process("/bin/readlink", {at("bin/kestrovan")}, "", "", {});
  EXPECT_EQ(link.output, "../lib/ruziz-kestrovan/Kestrovan\n");
  // Installed programs carry no debug information.
  ProcessResult sections = run_process(platform::find_program("readelf"), {"-S", at("lib/ruziz-kestrovan/Kestrovan")},
                                       "", "", {});
  EXPECT_EQ(sections.output.find(".debug_info"), std::string::npos);
}

TEST_F(InstallTree, DesktopFilesPassTheirValidatorsAndManPagesRenderCleanly) {
  std::string entry = at("share/applications/net.ruziz.Kestrovan.desktop");
  ProcessResult valid = run_process(platform::find_program("desktop-file-validate"), {entry}, "", "", {});
  EXPECT_EQ(valid.exit_code, 0) << valid.output;
  EXPECT_EQ(valid.output, "");
  std::string text = release::text_of(entry);
  for (const char* line : {"Exec=kestrovan\n", "Icon=net.ruziz.Kestrovan\n", "Categories=Game;ArcadeGame;\n",
                           "StartupWMClass=Kestrovan\n", "Comment[ja]="})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

  ProcessResult meta = run_process(platform::find_program("appstreamcli"),
                                   {"validate", "--no-net", at("share/metainfo/net.ruziz.Kestrovan.metainfo.xml")}, "",
                                   "", {});
  EXPECT_EQ(meta.exit_code, 0) << meta.output;
  EXPECT_NE(meta.output.find("Validation was successful"), std::string::npos) << meta.output;

  for (const char* page : MAN_PAGES) {
    // Only the warnings reach the output; the page itself goes nowhere.
    ProcessResult man = run_process("/bin/sh", {"-c", "man --warnings -E UTF-8 -l \"$0\" > /dev/null", at(page)}, "",
                                    "", {"MANWIDTH=80", "LC_ALL=C.UTF-8"});
    EXPECT_EQ(man.exit_code, 0) << page;
    EXPECT_EQ(man.output, "") << page;
  }
}

TEST_F(InstallTree, TheKestrovanCommandStartsTheGameWithItsMedia) {
  TempDir scratch;
  release::GameRun run = release::play_a_game(at("bin/kestrovan"), at("lib/ruziz-kestrovan"), scratch.path());
  EXPECT_EQ(run.wm_class, "WM_CLASS(STRING) = \"Kestrovan\", \"Kestrovan\"\n") << run.output;
  EXPECT_TRUE(run.icon) << "the window shows no icon";
  EXPECT_GT(run.music_peak, 1000) << "bgm.mid was not heard\n" << run.output;
}

TEST_F(InstallTree, TheInstalledVexapackFindsItsStub) {
  TempDir work, start, target;
  write_file(work / "hello.txt", "hello");
  ProcessResult packed = run_process(at("bin/vexapack"), {"-o", work / "setup", "--title", "Hello", work / "hello.txt"},
                                     "", "", {});
  ASSERT_EQ(packed.exit_code, 0) << packed.output;
  e2e::Session session;
  ProcessResult r = session.run(work / "setup", target.path() + "\n\n", start.path());
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(release::text_of(target / "hello.txt"), "hello") << r.output;
}

}  // namespace
