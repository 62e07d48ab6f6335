// The stub with packages made for the occasion: no settings, a damaged cabinet, and a set of
// three cabinets whose second one lies elsewhere.
#include <gtest/gtest.h>

#include "e2e_support.h"

using namespace testsupport;

namespace {

class CraftedPackage : public ::testing::Test {
 protected:
  std::string make_package(const vexapack::PackageSettings& settings, const std::vector<uint8_t>& cabinet) {
    std::string path = packages / "setup";
    write_file(path, vexapack::assemble_package(read_file(VEXASFX), settings, cabinet));
    chmod(path.c_str(), 0755);
    return path;
  }
  void expect_files(const std::string& where, const std::vector<cabwriter::SourceFile>& files) {
    for (const cabwriter::SourceFile& f : files) {
      EXPECT_EQ(read_file(where + "/" + f.name), f.data) << f.name;
      EXPECT_EQ(mtime_of(where + "/" + f.name), local_time_of(f.date, f.time)) << f.name;
    }
  }

  e2e::Session session;
  TempDir packages, start, target;
};

TEST_F(CraftedPackage, WithoutSettingsItExtractsHereAndAsksNothing) {
  cabwriter::SourceFolder folder;
  folder.files = {source_file("data/one.bin", pattern_bytes(70000, 1)), source_file("two.txt", pattern_bytes(10, 2))};
  vexapack::PackageSettings plain;
  plain.has_settings = false;
  std::string package = make_package(plain, cabwriter::serialize(cabwriter::build_cabinet({folder})));
  ProcessResult r = session.run(package, "", start.path());
  EXPECT_EQ(r.exit_code, 0);
  expect_files(start.path(), folder.files);
  EXPECT_NE(r.output.find("Vexa SFX"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("解凍先フォルダ"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("?"), std::string::npos) << r.output;
}

TEST_F(CraftedPackage, ADamagedCabinetIsReportedAndTheWrittenFilesStay) {
  DamagedPackageParts damaged = damaged_second_file_package();
  std::string package = make_package(damaged.settings, damaged.cabinet);
  ProcessResult r = session.run(package, target.path() + "\n\n\n\n", start.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(e2e::count_of(r.output, "自己解凍書庫が破損しています。"), 1u) << r.output;
  expect_files(target.path(), damaged.intact_files);
  EXPECT_FALSE(exists(session.desktop() + "/Kestrovan.desktop"));  // a failed run makes no launchers
}

TEST_F(CraftedPackage, ACabinetElsewhereIsFoundThroughTheQuestion) {
  auto [folder, set] = three_cabinet_set();
  ASSERT_EQ(set.size(), 3u);
  std::string package = make_package(shipped_settings("file0"), cabwriter::serialize(set[0]));
  TempDir elsewhere;
  write_file(elsewhere / "disk2.cab", cabwriter::serialize(set[1]));
  write_file(packages / "disk3.cab", cabwriter::serialize(set[2]));
  // A folder without the cabinet is asked again; then disk3 is not beside disk2 either.
  std::string answers = target.path() + "\n\n\n\n" + start.path() + "\n" + elsewhere.path() + "\n" + packages.path() + "\n";
  ProcessResult r = session.run(package, answers, start.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(e2e::count_of(r.output, "disk2.cab の場所(&D)"), 2u) << r.output;
  EXPECT_EQ(e2e::count_of(r.output, "disk3.cab の場所(&D)"), 1u) << r.output;
  expect_files(target.path(), folder.files);
  EXPECT_EQ(list_tree(target.path()).size(), 6u);
}

TEST_F(CraftedPackage, GivingUpOnTheNextCabinetKeepsTheFilesSoFar) {
  cabwriter::SourceFolder folder;
  for (int i = 0; i < 4; ++i) folder.files.push_back(source_file("file" + std::to_string(i), pattern_bytes(30000, 40 + i)));
  folder.type_compress = 0;
  cabwriter::SetOptions options;
  options.max_cabinet_size = 60000;
  std::vector<cabwriter::CabinetImage> set = cabwriter::build_set({folder}, options);
  std::string package = make_package(shipped_settings("file0"), cabwriter::serialize(set[0]));
  ProcessResult r = session.run(package, target.path() + "\n\n\n\n\n", start.path());
  EXPECT_EQ(r.exit_code, 2);  // the user gave up: cancelled
  EXPECT_EQ(read_file(target / "file0"), folder.files[0].data);
  EXPECT_EQ(r.output.find("自己解凍書庫が破損しています。"), std::string::npos) << r.output;
}

}  // namespace
