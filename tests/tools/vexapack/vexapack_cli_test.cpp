// The packager as a command: a package the stub can run, and clear errors for bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "installer/platform/files.h"
#include "installer_test_support.h"
#include "package_writer.h"

using namespace testsupport;

namespace {

ProcessResult vexapack(const std::vector<std::string>& arguments) {
  return run_process(VEXAPACK, arguments, "", "", {});
}

TEST(VexapackCli, BuildsAnExecutablePackage) {
  TempDir dir;
  write_file(dir / "readme.txt", "hello");
  ProcessResult r = vexapack({"--stub", VEXASFX, "-o", dir / "setup", "--title", "T", "--program", "readme.txt",
                              "--desktop", "checked", dir / "readme.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::vector<uint8_t> package = read_file(dir / "setup");
  uint32_t offset = vexapack::package_offset_of(package);
  EXPECT_GE(offset, PACKAGE_OFFSET);
  EXPECT_GE(offset, read_file(VEXASFX).size());
  vexapack::PackageSettings expected;
  expected.title = "T";
  expected.program = "readme.txt";
  expected.desktop = 0x03;
  std::vector<uint8_t> block = vexapack::settings_block(expected);
  ASSERT_GT(package.size(), offset + block.size() + 4);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), package.begin() + offset));
  EXPECT_EQ(std::string(package.begin() + offset + block.size(), package.begin() + offset + block.size() + 4), "MSCF");
  EXPECT_EQ(mode_of(dir / "setup") & 0111, 0111u);
}

TEST(VexapackCli, ReportsBadInputClearly) {
  TempDir dir;
  write_file(dir / "a", "a");
  mkfifo((dir / "fifo").c_str(), 0644);  // never waited on
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--stub", VEXASFX, "-o", dir / "out", dir / "missing"}, "cannot read " + dir / "missing" + ": No such file or directory"},
      {{"--stub", dir / "nostub", "-o", dir / "out", dir / "a"}, "cannot read " + dir / "nostub" + ": No such file or directory"},
      {{"--stub", VEXASFX, "-o", dir / "out", dir / "fifo"}, "cannot read " + dir / "fifo" + ": not a regular file"},
      {{"--stub", VEXASFX, "-o", dir / "out", dir.path()}, "cannot read " + dir.path() + ": not a regular file"},
      {{"--stub", VEXASFX, "-o", dir / "out", "--title", std::string(256, 't'), dir / "a"},
       "the title is longer than 255 UTF-16 units"},
      {{"--stub", VEXASFX, "-o", dir / "out", "--desktop", "maybe", dir / "a"}, "unknown shortcut option 'maybe'"},
      {{"--stub", VEXASFX, "-o", dir / "out", "--method", "lzx:99", dir / "a"}, "bad window size"},
      {{"--stub", VEXASFX, "-o", dir / "out"}, "no files to pack"},
      {{"--stub", VEXASFX, dir / "a"}, "-o is required"},
      {{"--stub", VEXASFX, "-o", dir / "out", "--colour", "red", dir / "a"}, "unknown option --colour"},
  };
  for (const Case& c : cases) {
    ProcessResult r = vexapack(c.arguments);
    EXPECT_EQ(r.exit_code, 1) << c.message;
    EXPECT_NE(r.output.find("vexapack: " + c.message), std::string::npos) << r.output;
    EXPECT_FALSE(exists(dir / "out")) << c.message;
  }
}

TEST(VexapackCli, FindsTheStubBesideItselfOrSaysWhereItLooked) {
  TempDir dir;
  write_file(dir / "a", "a");
  ProcessResult r = vexapack({"-o", dir / "setup", dir / "a"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  ASSERT_EQ(vexapack({"--stub", VEXASFX, "-o", dir / "named", dir / "a"}).exit_code, 0);
  EXPECT_EQ(read_file(dir / "setup"), read_file(dir / "named"));

  // Alone in a folder, with no stub at the installed place either.
  write_file(dir / "vexapack", read_file(VEXAPACK));
  platform::add_execute_bits(dir / "vexapack");
  r = run_process(dir / "vexapack", {"-o", dir / "out", dir / "a"}, "", "", {});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("vexapack: no stub found (looked at " + dir / "vexasfx, " + dir /
                          "../lib/vexasfx/vexasfx); name one with --stub"),
            std::string::npos)
      << r.output;
  EXPECT_FALSE(exists(dir / "out"));
}

// -o naming an input or the stub (also through a link) is refused before anything is written.
TEST(VexapackCli, RefusesToOverwriteItsOwnInputs) {
  TempDir dir;
  write_file(dir / "a", "input a");
  write_file(dir / "stub", read_file(VEXASFX));
  symlink((dir / "a").c_str(), (dir / "link-to-a").c_str());
  for (const std::string& output : {dir / "a", dir / "stub", dir / "link-to-a"}) {
    ProcessResult r = vexapack({"--stub", dir / "stub", "-o", output, dir / "a"});
    EXPECT_EQ(r.exit_code, 1) << output;
    EXPECT_NE(r.output.find("vexapack: refusing to write " + output + ": it is the input "), std::string::npos) << r.output;
  }
  EXPECT_EQ(read_file(dir / "a"), std::vector<uint8_t>({'i', 'n', 'p', 'u', 't', ' ', 'a'}));
  EXPECT_EQ(read_file(dir / "stub"), read_file(VEXASFX));
}

}  // namespace
