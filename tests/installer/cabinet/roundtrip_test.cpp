// Cabinets written by cabwriter come back byte for byte through the engine.
#include <gtest/gtest.h>

#include "builders.h"
#include "cab_set_writer.h"
#include "set_extractor.h"
#include "test_data.h"

using namespace cabwriter;
using testcab::file;

namespace {

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
  testcab::expect_all_extracted(result, folders);
}

TEST_P(RoundTrip, SetOfSmallCabinets) {
  auto folders = mixed_folders(GetParam());
  SetOptions options;
  options.max_cabinet_size = 45000;
  auto set = build_set(folders, options);
  EXPECT_GE(set.size(), 3u);
  auto result = memfs::extract_images(set);
  testcab::expect_all_extracted(result, folders);
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
  testcab::expect_all_extracted(result, folders);
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip, ::testing::Values(uint16_t(0), uint16_t(1)));

}  // namespace
