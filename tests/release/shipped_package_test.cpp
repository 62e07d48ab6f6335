// The shipped package as a new user meets it: installed into a temporary home, its launcher
// in the menu with the game's icon and category, and the game it starts plays its music.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "installer/platform/process.h"
#include "installer_test_support.h"
#include "release_support.h"

using namespace testsupport;

namespace {

constexpr size_t MAX_PACKAGE_BYTES = 1 << 20;

TEST(ShippedPackage, InstallsTheGameWithMusicIconAndAMenuLauncherThatPlaysIt) {
#ifdef KV_SHIPPING_BUILD
  EXPECT_LE(read_file(DIST_PACKAGE).size(), MAX_PACKAGE_BYTES);
#endif
  e2e::Session session;
  TempDir start, target, scratch;
  const std::string destination = target / "Ruziz Kestrovan";
  ProcessResult r = session.run(DIST_PACKAGE, destination + "\ny\nn\n\n", start.path());
  ASSERT_EQ(r.exit_code, 0) << r.output;

  // The game, ten effects, the music, the icon, the menu keys and the readme.
  std::vector<std::string> files = list_tree(destination);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, std::vector<std::string>({"Inv1.wav", "Inv2.wav", "Inv3.wav", "Inv4.wav", "InvHit.wav", "Kestrovan",
                                             "Kestrovan.desktop", "Kestrovan.png", "Start.wav", "UfoHit.wav", "bgm.mid",
                                             "fire.wav", "hit.wav", "readme.txt", "ufo.wav"}));
  ProcessResult sections =
      run_process(platform::find_program("readelf"), {"-S", destination + "/Kestrovan"}, "", "", {});
  EXPECT_EQ(sections.output.find(".debug_info"), std::string::npos) << "the shipped program carries debug information";

  const std::string launcher = session.start_menu() + "/Kestrovan.desktop";
  std::string text = release::text_of(launcher);
  for (const std::string& line : {"Icon=" + destination + "/Kestrovan.png\n", std::string("Categories=Game;ArcadeGame;\n"),
                                  std::string("StartupWMClass=Kestrovan\n"), std::string("Comment[ja]=")})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  ProcessResult valid = run_process(platform::find_program("desktop-file-validate"), {launcher}, "", "", {});
  EXPECT_EQ(valid.output, "");

  // Started the way the menu starts it.
  size_t exec = text.find("Exec=\"");
  ASSERT_NE(exec, std::string::npos) << text;
  std::string program = text.substr(exec + 6, text.find('"', exec + 6) - exec - 6);
  EXPECT_EQ(program, destination + "/Kestrovan");
  release::GameRun run = release::play_a_game(program, destination, scratch.path());
  EXPECT_EQ(run.wm_class, "WM_CLASS(STRING) = \"Kestrovan\", \"Kestrovan\"\n") << run.output;
  EXPECT_TRUE(run.icon);
  EXPECT_GT(run.music_peak, 1000) << "bgm.mid was not heard\n" << run.output;
}

}  // namespace
