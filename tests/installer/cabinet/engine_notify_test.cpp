// The order and content of the engine's notifications and hook calls.
#include <gtest/gtest.h>

#include "builders.h"
#include "set_extractor.h"

using namespace cabwriter;
using testcab::file;
using testcab::folder;

namespace {

using Events = std::vector<std::string>;

class EngineNotify : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }
};

TEST_F(EngineNotify, OneCabinetInOrder) {
  auto result = memfs::extract_images({build_cabinet(testcab::two_folders())});
  ASSERT_TRUE(result.ok);
  Events expected = {"CabinetOpened 0", "HookCabinet", "DirectoryCursor",
                     "FileBegin a.txt", "HookFolder 0", "HookDataBlock", "FileEnd a.txt",
                     "FileBegin b.bin", "HookDataBlock", "FileEnd b.bin",
                     "FileBegin c.txt", "HookFolder 1", "HookDataBlock", "HookDataBlock", "FileEnd c.txt",
                     "DirectoryCursor"};
  EXPECT_EQ(result.events, expected);
}

TEST_F(EngineNotify, FileFieldsReachTheClient) {
  std::vector<SourceFolder> folders = {
      folder(1, {file("x.exe", testdata::random_bytes(10, 1), 0x40 | 0x01 | 0x80)})};
  folders[0].files[0].date = 0x1234;
  folders[0].files[0].time = 0x5678;
  auto result = memfs::extract_images({build_cabinet(folders)});
  ASSERT_TRUE(result.ok);
  const CabNotification* begin = nullptr;
  const CabNotification* end = nullptr;
  // notifications holds only notifications (no hook calls), in order: the third is FileBegin.
  ASSERT_EQ(result.notifications.size(), 5u);
  begin = &result.notifications[2];
  ASSERT_NE(begin, nullptr);
  EXPECT_EQ(begin->date, 0x1234);
  EXPECT_EQ(begin->time, 0x5678);
  EXPECT_EQ(begin->attributes, 0x40 | 0x01 | 0x80);  // raw at FileBegin
  EXPECT_EQ(begin->folder_index, 0);
  end = &result.notifications[result.notifications.size() - 2];  // FileEnd, then DirectoryCursor
  EXPECT_EQ(end->attributes, 0x01 | 0x80);  // the execute bit is the engine's own
  EXPECT_EQ(end->size, 1);
}

TEST_F(EngineNotify, ZeroSizeFileReadsNoFolder) {
  auto result = memfs::extract_images({build_cabinet({folder(1, {file("empty", {})})})});
  ASSERT_TRUE(result.ok);
  Events expected = {"CabinetOpened 0", "HookCabinet", "DirectoryCursor", "FileBegin empty",
                     "FileEnd empty", "DirectoryCursor"};
  EXPECT_EQ(result.events, expected);
  EXPECT_TRUE(result.files["empty"].empty());
}

TEST_F(EngineNotify, DecliningEveryFileReadsNoDataBlock) {
  CabinetImage cab = build_cabinet(testcab::two_folders());
  memfs::ClientPolicy decline;
  decline.file_begin = [](const CabNotification&) { return 0; };
  auto result = memfs::extract_images({cab}, decline);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.files.empty());
  uint32_t first_data = layout_of(cab).folder_data[0];
  for (const memfs::ReadRecord& read : memfs::read_log())
    EXPECT_LT(read.offset, int64_t(first_data)) << "read " << read.count << " bytes at " << read.offset;
}

TEST_F(EngineNotify, FolderIndexBeyondTheFoldersIsSkippedSilently) {
  CabinetImage cab = build_cabinet(testcab::two_folders());
  cab.files[1].folder_index = 2;  // only folders 0 and 1 exist
  auto result = memfs::extract_images({cab});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.files.count("b.bin"), 0u);
  for (const std::string& e : result.events) EXPECT_EQ(e.find("b.bin"), std::string::npos);
}

TEST_F(EngineNotify, FilesOutOfOrderRestartTheFolder) {
  std::vector<SourceFolder> folders = {folder(1, {file("first", testdata::text_like(70000, 1)),
                                                   file("second", testdata::random_bytes(70000, 2))})};
  CabinetImage cab = build_cabinet(folders);
  std::swap(cab.files[0], cab.files[1]);  // second is listed before first
  auto result = memfs::extract_images({cab});
  ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
  EXPECT_EQ(result.files["first"], folders[0].files[0].data);
  EXPECT_EQ(result.files["second"], folders[0].files[1].data);
  EXPECT_EQ(std::count(result.events.begin(), result.events.end(), "HookFolder 0"), 2);
}

TEST_F(EngineNotify, SummaryOfACabinetWithASuccessor) {
  SetOptions options;
  options.max_cabinet_size = 30000;
  auto set = build_set({folder(0, {file("big", testdata::random_bytes(50000, 1))})}, options);
  ASSERT_GE(set.size(), 2u);
  memfs::put("one.cab", serialize(set[0]));
  CabErrorRecord error{};
  CabEngine* engine = memfs::create_engine(&error);
  int handle = memfs::open("one.cab", 0x8000, 0x180);
  CabinetSummary summary{};
  ASSERT_EQ(cab_is_cabinet(engine, handle, &summary), 1);
  EXPECT_EQ(summary.has_next, 2);
  EXPECT_EQ(summary.has_previous, 0);
  EXPECT_EQ(summary.folder_count, 1);
  EXPECT_EQ(summary.file_count, 1);
  EXPECT_EQ(summary.cabinet_size, serialize(set[0]).size());
  EXPECT_EQ(memfs::seek(handle, 0, 1), 36);  // read where it stood, no seek back
  memfs::close(handle);
  cab_destroy(engine);
}

TEST_F(EngineNotify, NotACabinetLeavesTheRecordUntouched) {
  memfs::put("text", std::vector<uint8_t>(100, 'x'));
  memfs::put("short", std::vector<uint8_t>(10, 'x'));
  CabErrorRecord error{};
  CabEngine* engine = memfs::create_engine(&error);
  for (const char* name : {"text", "short"}) {
    int handle = memfs::open(name, 0, 0);
    EXPECT_EQ(cab_is_cabinet(engine, handle, nullptr), 0);
    memfs::close(handle);
  }
  EXPECT_EQ(error.failed, 0);
  EXPECT_EQ(error.code, CabError::None);

  CabinetImage old = build_cabinet(testcab::two_folders());
  old.version_minor = 2;
  memfs::put("old", serialize(old));
  int handle = memfs::open("old", 0, 0);
  EXPECT_EQ(cab_is_cabinet(engine, handle, nullptr), 0);
  EXPECT_EQ(error.code, CabError::BadVersion);
  EXPECT_EQ(error.detail, 0x0102);
  EXPECT_EQ(error.failed, 1);
  memfs::close(handle);
  EXPECT_EQ(cab_is_cabinet(nullptr, handle, nullptr), 0);
  cab_destroy(engine);
  EXPECT_EQ(memfs::stats().allocations, memfs::stats().frees);
}

TEST_F(EngineNotify, NullArgumentsFailWithoutRecording) {
  EXPECT_EQ(cab_create(memfs::alloc, memfs::free, memfs::open, memfs::read, memfs::write, memfs::close,
                       memfs::seek, 0, nullptr),
            nullptr);
  CabErrorRecord error{CabError::Aborted, 5, 1};
  CabEngine* engine = memfs::create_engine(&error);
  EXPECT_EQ(error.code, CabError::None);  // cab_create zeroes the record
  EXPECT_EQ(error.failed, 0);
  EXPECT_EQ(cab_extract(engine, "x", "", 0, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(cab_extract(nullptr, "x", "", 0, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(error.failed, 0);
  EXPECT_EQ(cab_destroy(nullptr), 0);
  EXPECT_EQ(cab_destroy(engine), 1);
}

}  // namespace
