// What the writer promises about the cabinets it lays out, read back from its own bytes.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "builders.h"
#include "cab_set_writer.h"
#include "installer/cabinet/cab_checksum.h"

using namespace cabwriter;

namespace {

uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = uint8_t(seed >> 16);
  }
  return out;
}

TEST(CabImage, HeaderFieldsAndOffsets) {
  CabinetImage cab;
  cab.set_id = 0x4B56;
  cab.cabinet_index = 2;
  cab.has_previous = true;
  cab.previous_cabinet = "p.cab";
  cab.previous_disk = "P";
  cab.reserve_present = true;
  cab.header_reserve = {1, 2, 3};
  cab.folder_reserve_size = 2;
  cab.data_reserve_size = 1;
  FolderImage folder;
  folder.type_compress = 0x1503;
  DataBlockImage block;
  block.data = {'a', 'b', 'c'};
  block.cb_uncomp = 3;
  folder.blocks.push_back(block);
  cab.folders.push_back(folder);
  cab.files.push_back(FileImage{3, 0, 0, 1, 2, 0x80, "名前"});
  std::vector<uint8_t> b = serialize(cab);

  EXPECT_EQ(u32(b, 0), 0x4643534Du);
  EXPECT_EQ(u32(b, 8), b.size());
  EXPECT_EQ(b[24], 3);
  EXPECT_EQ(b[25], 1);
  EXPECT_EQ(u16(b, 26), 1);
  EXPECT_EQ(u16(b, 28), 1);
  EXPECT_EQ(u16(b, 30), 0x0005);  // previous + reserve
  EXPECT_EQ(u16(b, 32), 0x4B56);
  EXPECT_EQ(u16(b, 34), 2);
  EXPECT_EQ(u16(b, 36), 3);
  EXPECT_EQ(b[38], 2);
  EXPECT_EQ(b[39], 1);
  CabinetLayout layout = layout_of(cab);
  EXPECT_EQ(layout.first_folder, 36u + 4 + 3 + 6 + 2);
  EXPECT_EQ(u32(b, layout.first_folder), layout.folder_data[0]);
  EXPECT_EQ(u16(b, layout.first_folder + 6), 0x1503);
  EXPECT_EQ(u32(b, 16), layout.first_file);
  size_t data = layout.folder_data[0];
  EXPECT_EQ(u16(b, data + 4), 3);
  EXPECT_EQ(u16(b, data + 6), 3);
  uint32_t sum = cab_checksum(b.data() + data + 9, 3, 0);
  sum = cab_checksum(b.data() + data + 4, 5, sum);
  EXPECT_EQ(u32(b, data), sum);
}

TEST(CabSetWriter, CabinetsStayWithinTheLimitAndChainTheirNames) {
  SourceFolder folder;
  folder.type_compress = 0;
  for (int i = 0; i < 20; ++i) folder.files.push_back(SourceFile{"f" + std::to_string(i), pattern(9000, i)});
  SetOptions options;
  options.max_cabinet_size = 25000;
  options.cabinet_name = "part%u.cab";
  auto set = build_set({folder}, options);
  ASSERT_GE(set.size(), 7u);
  for (size_t i = 0; i < set.size(); ++i) {
    std::vector<uint8_t> b = serialize(set[i]);
    EXPECT_LE(b.size(), 25000u) << i;
    EXPECT_EQ(set[i].file_name, "part" + std::to_string(i + 1) + ".cab");
    EXPECT_EQ(set[i].has_previous, i > 0);
    EXPECT_EQ(set[i].has_next, i + 1 < set.size());
    if (i + 1 < set.size()) {
      EXPECT_EQ(set[i].next_cabinet, set[i + 1].file_name);
    }
  }
  // Every file appears, and only continued files appear twice.
  std::map<std::string, int> seen;
  for (const CabinetImage& cab : set)
    for (const FileImage& f : cab.files) {
      ++seen[f.name];
      if (f.folder_index < 0xFFFD) {
        EXPECT_LT(f.folder_index, cab.folders.size());
      }
    }
  EXPECT_EQ(seen.size(), 20u);

  options.max_cabinet_size = 12000;  // a 32 KiB stored block cannot be cut into two such pieces
  EXPECT_THROW(build_set({folder}, options), std::invalid_argument);
}

// Empty files have no data to continue, yet a reader meets them in its walk: wherever a set is
// cut they must come out exactly once, also when a reader declines the files around them.
TEST(CabSetWriter, EmptyFilesAtCutsComeOutOnce) {
  using testcab::file;
  const std::vector<std::vector<SourceFile>> trees = {
      {file("lead", {}), file("a", pattern(40000, 1)), file("b0", {}), file("b", pattern(20000, 2)),
       file("c", pattern(3000, 3)), file("c0", {}), file("d", pattern(30000, 4)), file("tail", {})},
      {file("a", pattern(32768, 5)), file("at-cut", {}), file("b", pattern(32768, 6)), file("e1", {}),
       file("e2", {})},
  };
  for (uint32_t max_size : {20000u, 30000u, 45000u}) {
    for (const auto& files : trees) {
      SetOptions options;
      options.max_cabinet_size = max_size;
      std::vector<SourceFolder> folders = {testcab::folder(0, files)};
      auto set = build_set(folders, options);
      ASSERT_GE(set.size(), 2u);
      memfs::reset();
      memfs::Extraction all = memfs::extract_images(set);
      testcab::expect_all_extracted(all, folders);
      for (const SourceFile& f : files)
        EXPECT_EQ(std::count(all.events.begin(), all.events.end(), "FileBegin " + f.name), 1)
            << f.name << " at " << max_size;
      memfs::ClientPolicy every_other;
      int n = 0;
      every_other.file_begin = [&n](const CabNotification&) { return ++n % 2 ? 1 : 0; };  // 1: the default, extract
      memfs::reset();
      memfs::Extraction some = memfs::extract_images(set, every_other);
      ASSERT_TRUE(some.ok) << cab_error_name(some.error.code) << " at " << max_size;
      for (const auto& [name, data] : some.files) {
        auto source = std::find_if(files.begin(), files.end(), [&](const SourceFile& f) { return f.name == name; });
        ASSERT_NE(source, files.end());
        EXPECT_EQ(data, source->data) << name << " at " << max_size;
      }
    }
  }
}

TEST(CabSetWriter, MszipBlocksAreCkAndFitTheDecoderInput) {
  SourceFolder folder;
  folder.type_compress = 1;
  folder.files.push_back(SourceFile{"random", pattern(200000, 7)});
  CabinetImage cab = build_cabinet({folder});
  ASSERT_EQ(cab.folders[0].blocks.size(), 7u);
  for (const DataBlockImage& block : cab.folders[0].blocks) {
    EXPECT_EQ(block.data[0], 'C');
    EXPECT_EQ(block.data[1], 'K');
    EXPECT_LE(block.data.size(), 32768u + 12);
  }
  EXPECT_EQ(cab.folders[0].blocks.back().cb_uncomp, 200000 - 6 * 32768);
}

}  // namespace
