// Cabinets written by cabwriter come back byte for byte through the engine.
#include <gtest/gtest.h>

#include "cab_set_writer.h"
#include "set_extractor.h"
#include "test_data.h"

using namespace cabwriter;

namespace {

SourceFile file(const std::string& name, std::vector<uint8_t> data) {
  SourceFile f;
  f.name = name;
  f.data = std::move(data);
  return f;
}

void expect_all_extracted(const memfs::Extraction& result, const std::vector<SourceFolder>& folders) {
  ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
  size_t count = 0;
  for (const SourceFolder& folder : folders) {
    for (const SourceFile& f : folder.files) {
      ++count;
      auto it = result.files.find(f.name);
      ASSERT_NE(it, result.files.end()) << f.name;
      EXPECT_TRUE(it->second == f.data) << f.name << " differs";
    }
  }
  EXPECT_EQ(result.files.size(), count);
  EXPECT_EQ(memfs::open_handles(), 0);
}

std::vector<SourceFolder> mixed_folders(uint16_t type) {
  std::vector<SourceFolder> folders(3);
  folders[0].type_compress = type;
  folders[0].files = {file("random.bin", testdata::random_bytes(100000, 1)),
                      file("zeros.bin", std::vector<uint8_t>(70000, 0)),
                      file("empty.txt", {})};
  folders[1].type_compress = type;
  folders[1].files = {file("text.txt", testdata::text_like(200000, 2)),
                      file("small.txt", testdata::text_like(10, 3))};
  folders[2].type_compress = type;
  folders[2].files = {file("binary.dat", testdata::binary_like(150001, 4))};
  return folders;
}

class RoundTrip : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override { memfs::reset(); }
};

TEST_P(RoundTrip, OneCabinetSeveralFolders) {
  auto folders = mixed_folders(GetParam());
  auto result = memfs::extract_images({build_cabinet(folders)});
  expect_all_extracted(result, folders);
}

TEST_P(RoundTrip, SetOfSmallCabinets) {
  auto folders = mixed_folders(GetParam());
  SetOptions options;
  options.max_cabinet_size = 45000;
  auto set = build_set(folders, options);
  EXPECT_GE(set.size(), 3u);
  auto result = memfs::extract_images(set);
  expect_all_extracted(result, folders);
}

TEST_P(RoundTrip, ReserveAreasAndNoChecksums) {
  auto folders = mixed_folders(GetParam());
  SetOptions options;
  options.max_cabinet_size = 60000;
  options.checksums = false;
  options.reserve_present = true;
  options.header_reserve = std::vector<uint8_t>(20, 0xAB);
  options.folder_reserve_size = 5;
  options.data_reserve_size = 3;
  auto result = memfs::extract_images(build_set(folders, options));
  expect_all_extracted(result, folders);
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip, ::testing::Values(uint16_t(0), uint16_t(1)));

}  // namespace
