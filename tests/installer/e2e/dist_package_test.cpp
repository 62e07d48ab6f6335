// The shipped package, run for real: install, launchers, a second run answering the overwrite
// question each way, and a cancelled install.
#include <gtest/gtest.h>

#include <fstream>

#include "e2e_support.h"
#include "installer/platform/process.h"

using namespace testsupport;

namespace {

constexpr char OVERWRITE[] = "を上書きしますか？";

PackageContents package_contents() { return read_package_contents(PACKAGE_CONTENTS); }

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

class DistPackage : public ::testing::Test {
 protected:
  DistPackage() : contents(package_contents()), destination(target / "Ruziz Kestrovan") {}

  // Installs with the given shortcut answers (start menu, desktop).
  ProcessResult install(const std::string& menu, const std::string& desktop) {
    return session.run(DIST_PACKAGE, destination + "\n" + menu + "\n" + desktop + "\n\n", start.path());
  }
  void expect_identical(const std::string& name) {
    for (const std::string& source : contents.sources) {
      if (base_name(source) != name) continue;
      std::string installed = destination + "/" + name;
      EXPECT_EQ(read_file(installed), read_file(source)) << name;
      int64_t stored = mtime_of(source);
      EXPECT_EQ(mtime_of(installed), stored - stored % 2) << name;  // DOS times count two seconds
      return;
    }
    ADD_FAILURE() << name << " is not in the package";
  }
  void spoil_installed_files() {
    for (const std::string& source : contents.sources) write_file(destination + "/" + base_name(source), "spoilt");
  }
  bool spoilt(const std::string& source) {
    std::vector<uint8_t> bytes = read_file(destination + "/" + base_name(source));
    return std::string(bytes.begin(), bytes.end()) == "spoilt";
  }
  std::string launcher_text(const std::string& path) {
    std::vector<uint8_t> bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
  }

  e2e::Session session;
  TempDir start, target;
  PackageContents contents;
  std::string destination;
};

TEST_F(DistPackage, InstallsEveryFileAndTheChosenLaunchers) {
  ASSERT_GE(contents.sources.size(), 2u);
  ProcessResult r = install("y", "y");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.output.find("Ruziz Kestrovan"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("100%"), std::string::npos) << r.output;
  EXPECT_EQ(list_tree(destination).size(), contents.sources.size());
  for (const std::string& source : contents.sources) expect_identical(base_name(source));

  std::string program = destination + "/" + contents.program;
  EXPECT_EQ(mode_of(program) & 0111, 0111u);
  std::vector<uint8_t> start_bytes = read_file(program);
  EXPECT_EQ(std::string(start_bytes.begin(), start_bytes.begin() + 4), "\x7f" "ELF");

  std::string validator = platform::find_program("desktop-file-validate");
  ASSERT_FALSE(validator.empty());
  for (const std::string& launcher : {session.start_menu() + "/Kestrovan.desktop", session.desktop() + "/Kestrovan.desktop"}) {
    ASSERT_TRUE(exists(launcher)) << launcher << "\n" << r.output;
    ProcessResult valid = run_process(validator, {launcher}, "", "", {});
    EXPECT_EQ(valid.exit_code, 0) << valid.output;
    EXPECT_EQ(valid.output, "");
    std::string text = launcher_text(launcher);
    EXPECT_NE(text.find("Exec=\"" + program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=" + destination + "\n"), std::string::npos) << text;
  }
  EXPECT_EQ(mode_of(session.desktop() + "/Kestrovan.desktop") & 0777, 0755u);
  EXPECT_FALSE(exists(session.send_to()));  // greyed and empty: never made
}

TEST_F(DistPackage, UntickedBoxesMakeNoLaunchers) {
  ProcessResult r = install("", "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_FALSE(exists(session.start_menu() + "/Kestrovan.desktop"));
  EXPECT_FALSE(exists(session.desktop() + "/Kestrovan.desktop"));
  EXPECT_EQ(list_tree(destination).size(), contents.sources.size());
}

TEST_F(DistPackage, YesOverwritesEachFileAskedFor) {
  install("n", "n");
  spoil_installed_files();
  std::string answers = destination + "\nn\nn\n\n";
  for (size_t i = 0; i < contents.sources.size(); ++i) answers += "y\n";
  ProcessResult r = session.run(DIST_PACKAGE, answers, start.path());
  EXPECT_EQ(e2e::count_of(r.output, OVERWRITE), contents.sources.size()) << r.output;
  for (const std::string& source : contents.sources) expect_identical(base_name(source));
}

TEST_F(DistPackage, OverwriteAllAsksOnce) {
  install("n", "n");
  spoil_installed_files();
  ProcessResult r = session.run(DIST_PACKAGE, destination + "\nn\nn\n\na\n", start.path());
  EXPECT_EQ(e2e::count_of(r.output, OVERWRITE), 1u) << r.output;
  for (const std::string& source : contents.sources) expect_identical(base_name(source));
}

TEST_F(DistPackage, NoKeepsThatFileOnly) {
  install("n", "n");
  spoil_installed_files();
  std::string answers = destination + "\nn\nn\n\nn\n";
  for (size_t i = 1; i < contents.sources.size(); ++i) answers += "y\n";
  ProcessResult r = session.run(DIST_PACKAGE, answers, start.path());
  EXPECT_NE(r.output.find(base_name(contents.sources[0]) + " " + OVERWRITE), std::string::npos) << r.output;
  EXPECT_TRUE(spoilt(contents.sources[0]));
  for (size_t i = 1; i < contents.sources.size(); ++i) expect_identical(base_name(contents.sources[i]));
}

TEST_F(DistPackage, NoToAllKeepsEveryExistingFileAndAsksOnce) {
  install("n", "n");
  spoil_installed_files();
  std::remove((destination + "/" + base_name(contents.sources.back())).c_str());  // a new file is still written
  ProcessResult r = session.run(DIST_PACKAGE, destination + "\nn\nn\n\ns\n", start.path());
  EXPECT_EQ(e2e::count_of(r.output, OVERWRITE), 1u) << r.output;
  for (size_t i = 0; i + 1 < contents.sources.size(); ++i) EXPECT_TRUE(spoilt(contents.sources[i]));
  expect_identical(base_name(contents.sources.back()));
}

TEST_F(DistPackage, CancelStopsWithoutAMessageAndKeepsWhatIsThere) {
  install("n", "n");
  spoil_installed_files();
  ProcessResult r = session.run(DIST_PACKAGE, destination + "\nn\ny\n\nc\n", start.path());
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(e2e::count_of(r.output, OVERWRITE), 1u) << r.output;
  for (const std::string& source : contents.sources) EXPECT_TRUE(spoilt(source)) << source;
  EXPECT_EQ(r.output.find("自己解凍書庫が破損しています。"), std::string::npos);
  // A cancel ends in order: the ticked launcher is made all the same.
  EXPECT_TRUE(exists(session.desktop() + "/Kestrovan.desktop"));
}

TEST_F(DistPackage, CancelAtTheInstallQuestionExtractsNothing) {
  for (const std::string& answers : {destination + "\n\n\nn\n", std::string()}) {
    ProcessResult r = session.run(DIST_PACKAGE, answers, start.path());
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_FALSE(exists(destination));
    EXPECT_TRUE(list_tree(start.path()).empty());
    EXPECT_TRUE(list_tree(session.home.path()).empty());
  }
}

}  // namespace
