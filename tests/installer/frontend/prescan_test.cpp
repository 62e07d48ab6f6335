// The prescan adds up the file sizes and notes the offsets the seek callback moves.
#include <gtest/gtest.h>

#include "installer/frontend/prescan.h"
#include "installer/platform/files.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

constexpr uint32_t AT = 1000;  // where the cabinet starts in the test file

uint64_t prescan_bytes(const std::vector<uint8_t>& cabinet, CabinetPlacement& placement) {
  TempDir dir;
  std::vector<uint8_t> file(AT + cabinet.size(), 0xEE);
  std::copy(cabinet.begin(), cabinet.end(), file.begin() + AT);
  write_file(dir / "package", file);
  int handle = platform::open_path(dir / "package", platform::FileAccess::Read,
                                   platform::FileDisposition::OpenExisting);
  placement = {};
  placement.cabinet_offset = AT;
  platform::seek_position(handle, AT, 0);
  uint64_t total = prescan_cabinet(handle, placement);
  platform::close_file(handle);
  return total;
}

uint64_t prescan_bytes(const std::vector<uint8_t>& cabinet) {
  CabinetPlacement placement;
  return prescan_bytes(cabinet, placement);
}

cabwriter::CabinetImage three_folders(size_t header_reserve = 10) {
  std::vector<cabwriter::SourceFolder> folders(3);
  folders[0].files = {source_file("a", pattern_bytes(70000, 1)), source_file("b", {})};
  folders[1].type_compress = 0;
  folders[1].files = {source_file("c", pattern_bytes(123, 2))};
  folders[2].files = {source_file("d", pattern_bytes(40000, 3)), source_file("e", pattern_bytes(5, 4))};
  cabwriter::SetOptions options;
  options.reserve_present = true;
  options.header_reserve = std::vector<uint8_t>(header_reserve, 1);
  options.folder_reserve_size = 3;
  return cabwriter::build_cabinet(folders, options);
}

TEST(Prescan, SumsTheSizesAndNotesTheOffsets) {
  for (size_t header_reserve : {10, 6000}) {  // skipped within what was read ahead, and beyond it
    cabwriter::CabinetImage cabinet = three_folders(header_reserve);
    cabinet.has_next = true;  // names are skipped byte by byte
    cabinet.next_cabinet = "next.cab";
    cabinet.next_disk = "Disk 2";
    CabinetPlacement placement;
    EXPECT_EQ(prescan_bytes(cabwriter::serialize(cabinet), placement), 70000u + 123 + 40000 + 5);
    cabwriter::CabinetLayout layout = cabwriter::layout_of(cabinet);
    EXPECT_EQ(placement.files_offset, layout.first_file);
    EXPECT_EQ(placement.folder_starts, layout.folder_data);
  }
}

TEST(Prescan, SizesAreUnsignedAndSummedIn64Bits) {
  cabwriter::CabinetImage cabinet = three_folders();
  for (cabwriter::FileImage& file : cabinet.files) file.size = 0xFFFFFFF0u;
  EXPECT_EQ(prescan_bytes(cabwriter::serialize(cabinet)), 5 * uint64_t(0xFFFFFFF0u));
}

TEST(Prescan, ADirectoryCutShortGivesTheSumSoFar) {
  cabwriter::CabinetImage cabinet = three_folders();
  std::vector<uint8_t> bytes = cabwriter::serialize(cabinet);
  uint32_t first = cabwriter::layout_of(cabinet).first_file;
  // Three whole records ("a", "b", "c": 16 bytes and a two-byte name each), then half of "d".
  bytes.resize(first + 3 * 18 + 8);
  EXPECT_EQ(prescan_bytes(bytes), 70000u + 123);
}

TEST(Prescan, AnUnreadableHeaderGivesZero) {
  EXPECT_EQ(prescan_bytes({'M', 'S', 'C', 'F', 0, 0}), 0u);
  EXPECT_EQ(prescan_bytes({}), 0u);
}

}  // namespace
