// The Debian package: built from this build's install rules, its control fields and contents
// read back with dpkg-deb, and lintian's verdict.
#include <gtest/gtest.h>

#include "installer/platform/process.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

TEST(DebianPackage, HoldsTheInstallTreeUnderUsrWithComputedDependenciesAndPassesLintian) {
  TempDir work;
  ProcessResult built = run_process(CPACK_COMMAND, {"--config", KV_BUILD_DIR "/CPackConfig.cmake", "-B", work.path()},
                                    "", work.path(), {});
  ASSERT_EQ(built.exit_code, 0) << built.output;
  std::string deb;
  for (const std::string& file : list_tree(work.path()))
    if (file.ends_with(".deb") && file.find('/') == std::string::npos) deb = work / file;
  ASSERT_FALSE(deb.empty()) << built.output;
  const std::string dpkg_deb = platform::find_program("dpkg-deb");

  auto field = [&](const std::string& name) {
    std::string value = run_process(dpkg_deb, {"-f", deb, name}, "", "", {}).output;
    return value.empty() ? value : value.substr(0, value.size() - 1);
  };
  EXPECT_EQ(field("Package"), "ruziz-kestrovan");
  EXPECT_EQ(field("Version"), "1.01");
  EXPECT_EQ(field("Section"), "games");
  EXPECT_EQ(field("Recommends"), "fluid-soundfont-gm");
  std::string depends = field("Depends");
  for (const char* library : {"libc6 (", "libgtk-3-0 (", "libsdl2-2.0-0 (", "libsdl2-mixer-2.0-0 (", "libstdc++6 ("})
    EXPECT_NE(depends.find(library), std::string::npos) << library << " missing from " << depends;

  std::string contents = run_process(dpkg_deb, {"-c", deb}, "", "", {}).output;
  for (const char* path : {"./usr/bin/vexacab\n", "./usr/bin/vexapack\n", "./usr/bin/kestrovan-sim\n",
                           "./usr/bin/kestrovan -> ../lib/ruziz-kestrovan/Kestrovan\n", "./usr/lib/vexasfx/vexasfx\n",
                           "./usr/lib/ruziz-kestrovan/Kestrovan\n", "./usr/lib/ruziz-kestrovan/bgm.mid\n",
                           "./usr/share/applications/net.ruziz.Kestrovan.desktop\n",
                           "./usr/share/metainfo/net.ruziz.Kestrovan.metainfo.xml\n",
                           "./usr/share/icons/hicolor/256x256/apps/net.ruziz.Kestrovan.png\n",
                           "./usr/share/man/man6/kestrovan.6.gz\n", "./usr/share/doc/ruziz-kestrovan/copyright\n"})
    EXPECT_NE(contents.find(path), std::string::npos) << path;
  for (size_t at = 0, end; (end = contents.find('\n', at)) != std::string::npos; at = end + 1)
    EXPECT_NE(contents.substr(at, end - at).find(" root/root "), std::string::npos) << contents.substr(at, end - at);
  EXPECT_EQ(contents.find(" ./usr/local"), std::string::npos);

  // Errors and warnings fail; the remaining information tags are listed in the release notes.
  ProcessResult lint = run_process(platform::find_program("lintian"), {deb}, "", "", {});
  EXPECT_EQ(lint.output.find("\nE: "), std::string::npos) << lint.output;
  EXPECT_EQ(lint.output.find("\nW: "), std::string::npos) << lint.output;
  EXPECT_FALSE(lint.output.starts_with("E: ") || lint.output.starts_with("W: ")) << lint.output;
}

}  // namespace
