// --list and --check: what the package holds, and every damaged package found, nothing written.
#include "scripting_support.h"
#include "hostile_cases.h"

using namespace testsupport;
using scripting::Scripting;

namespace {

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
    if (c.damage) {
      EXPECT_NE(r.output.find(": the cabinet is damaged ("), std::string::npos) << r.output;
    }
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

}  // namespace
