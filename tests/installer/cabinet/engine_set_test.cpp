// Cabinet sets: folders that run on into the next cabinet, split blocks, the search for the
// next cabinet and the checks on who may follow whom.
#include <gtest/gtest.h>

#include <algorithm>

#include "builders.h"
#include "set_extractor.h"

using namespace cabwriter;
using testcab::file;
using testcab::folder;

namespace {

class EngineSet : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }

  // head.txt, then one 100 000-byte file across three cabinets of at most 40 000 bytes.
  static std::vector<CabinetImage> three_cabinets(uint16_t method) {
    SetOptions options;
    options.max_cabinet_size = 40000;
    return build_set({folder(method, {file("head.txt", testdata::text_like(3000, 1)),
                                      file("span.bin", testdata::random_bytes(100000, 2))})},
                     options);
  }
};

TEST_F(EngineSet, OneFileSpansThreeCabinetsThroughSplitBlocks) {
  for (uint16_t method : {uint16_t(0), uint16_t(1)}) {
    memfs::reset();
    auto set = three_cabinets(method);
    ASSERT_EQ(set.size(), 3u);
    // span.bin is continued to, through, and from; its pieces are split blocks.
    EXPECT_EQ(set[0].files.back().folder_index, 0xFFFE);
    EXPECT_EQ(set[1].files.front().folder_index, 0xFFFF);
    EXPECT_EQ(set[2].files.front().folder_index, 0xFFFD);
    EXPECT_EQ(set[0].folders.back().blocks.back().cb_uncomp, 0);
    EXPECT_EQ(set[1].folders.back().blocks.back().cb_uncomp, 0);
    for (const CabinetImage& cab : set) EXPECT_LE(serialize(cab).size(), 40000u);

    auto result = memfs::extract_images(set);
    ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
    EXPECT_EQ(result.files["span.bin"], testdata::random_bytes(100000, 2));
    EXPECT_EQ(result.files["head.txt"], testdata::text_like(3000, 1));
    EXPECT_EQ(memfs::open_handles(), 0);
  }
}

TEST_F(EngineSet, NotificationOrderAcrossCabinets) {
  auto set = three_cabinets(0);
  memfs::ClientPolicy policy;
  policy.follow_set = false;  // one call on the first cabinet
  auto result = memfs::extract_images(set, policy);
  ASSERT_TRUE(result.ok);
  std::vector<std::string> expected = {
      "CabinetOpened 0", "HookCabinet", "DirectoryCursor", "FileBegin head.txt", "HookFolder 0",
      "HookDataBlock", "FileEnd head.txt", "FileBegin span.bin",
      // the first piece of a split block, then the next cabinet and the second piece
      "HookDataBlock", "CabinetNeeded disk2.cab", "CabinetOpened 1", "HookCabinet", "HookFolder 0",
      "HookDataBlock"};
  ASSERT_GE(result.events.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(result.events.begin(), result.events.begin() + long(expected.size())), expected);
  EXPECT_EQ(std::count(result.events.begin(), result.events.end(), "CabinetNeeded disk3.cab"), 1);
  EXPECT_EQ(result.events.back(), "DirectoryCursor");
  EXPECT_EQ(result.files["span.bin"], testdata::random_bytes(100000, 2));
}

TEST_F(EngineSet, LaterCabinetsReportTheirContinuedFiles) {
  auto result = memfs::extract_images(three_cabinets(1));
  ASSERT_TRUE(result.ok);
  // The calls on the second and third cabinets see span.bin as already continued.
  EXPECT_EQ(std::count(result.events.begin(), result.events.end(), "FileContinued span.bin"), 2);
  EXPECT_EQ(std::count(result.events.begin(), result.events.end(), "FileBegin span.bin"), 1);
}

TEST_F(EngineSet, FilesAfterTheCutStartANewFolder) {
  SetOptions options;
  options.max_cabinet_size = 30000;
  std::vector<SourceFolder> folders = {folder(1, {file("a", testdata::random_bytes(20000, 1)),
                                                   file("b", testdata::random_bytes(20000, 2)),
                                                   file("c", testdata::text_like(5000, 3)),
                                                   file("d", testdata::random_bytes(30000, 4))})};
  auto set = build_set(folders, options);
  ASSERT_GE(set.size(), 2u);
  for (size_t c = 1; c < set.size(); ++c)
    for (const FileImage& f : set[c].files)
      if (f.folder_index == 0) ADD_FAILURE() << f.name << " starts in a continued folder";
  auto result = memfs::extract_images(set);
  ASSERT_TRUE(result.ok);
  for (const SourceFile& f : folders[0].files) EXPECT_EQ(result.files[f.name], f.data) << f.name;
}

TEST_F(EngineSet, NextCabinetIsAskedForUntilFoundOrRefused) {
  auto set = three_cabinets(1);
  for (const CabinetImage& cab : set) memfs::put(cab.file_name, serialize(cab));
  memfs::files()["moved/disk2.cab"] = memfs::files()["disk2.cab"];
  memfs::files().erase("disk2.cab");

  std::vector<CabError> errors_seen;
  memfs::ClientPolicy policy;
  policy.follow_set = false;
  policy.override_answer = [&errors_seen](CabNotifyKind kind, CabNotification& n) {
    if (kind != CabinetNeeded) return INT32_MIN;
    if (std::string(n.text1) == "disk3.cab") {
      n.text3[0] = '\0';  // the third cabinet is where it was
      return 0;
    }
    errors_seen.push_back(n.error);
    if (errors_seen.size() == 3) std::snprintf(n.text3, 257, "moved/");
    return errors_seen.size() > 10 ? -1 : 0;
  };
  auto result = memfs::extract_stored("disk1.cab", policy);
  ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
  ASSERT_EQ(errors_seen.size(), 3u);
  EXPECT_EQ(errors_seen[0], CabError::None);
  EXPECT_EQ(errors_seen[1], CabError::OpenFailed);
  EXPECT_EQ(errors_seen[2], CabError::OpenFailed);
  EXPECT_EQ(result.files["span.bin"], testdata::random_bytes(100000, 2));

  memfs::reset();
  for (const CabinetImage& cab : set) memfs::put(cab.file_name, serialize(cab));
  memfs::files().erase("disk2.cab");
  int asked = 0;
  policy.override_answer = [&asked](CabNotifyKind kind, CabNotification&) {
    if (kind != CabinetNeeded) return INT32_MIN;
    return ++asked == 5 ? -1 : 0;
  };
  result = memfs::extract_stored("disk1.cab", policy);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.code, CabError::Aborted);
  EXPECT_EQ(asked, 5);
  EXPECT_EQ(memfs::open_handles(), 0);
}

TEST_F(EngineSet, OnlyTheRightMemberMayFollow) {
  auto set = three_cabinets(1);
  auto wrong_set = set;
  wrong_set[1].set_id ^= 1;
  int asked = 0;
  memfs::ClientPolicy policy;
  policy.override_answer = [&asked](CabNotifyKind kind, CabNotification& n) {
    if (kind != CabinetNeeded) return INT32_MIN;
    if (++asked == 1) return 0;
    EXPECT_EQ(n.error, CabError::WrongSetMember);
    return -1;
  };
  auto result = memfs::extract_images(wrong_set, policy);
  EXPECT_EQ(result.error.code, CabError::Aborted);
  EXPECT_EQ(asked, 2);

  memfs::reset();
  auto wrong_index = set;
  wrong_index[1].cabinet_index = 2;
  asked = 0;
  result = memfs::extract_images(wrong_index, policy);
  EXPECT_EQ(asked, 2);

  memfs::reset();
  auto other_reserve = set;
  other_reserve[1].reserve_present = true;
  other_reserve[1].data_reserve_size = 4;
  policy.override_answer = [&asked](CabNotifyKind kind, CabNotification& n) {
    if (kind != CabinetNeeded) return INT32_MIN;
    return n.error == CabError::ReserveSizeChanged ? -1 : 0;
  };
  result = memfs::extract_images(other_reserve, policy);
  EXPECT_EQ(result.error.code, CabError::Aborted);
  EXPECT_EQ(memfs::open_handles(), 0);
}

TEST_F(EngineSet, ReserveSizeChangeBetweenCallsIsReported) {
  CabinetImage plain = build_cabinet(testcab::two_folders());
  SetOptions reserved;
  reserved.reserve_present = true;
  reserved.folder_reserve_size = 2;
  CabinetImage other = build_cabinet(testcab::two_folders(), reserved);
  other.file_name = "other.cab";
  memfs::put(plain.file_name, serialize(plain));
  memfs::put(other.file_name, serialize(other));
  CabErrorRecord error{};
  CabEngine* engine = memfs::create_engine(&error);
  auto notify = [](CabNotifyKind, CabNotification*) -> int32_t { return 0; };
  EXPECT_EQ(cab_extract(engine, plain.file_name.c_str(), "", 0, notify, nullptr, nullptr), 1);
  EXPECT_EQ(cab_extract(engine, "other.cab", "", 0, notify, nullptr, nullptr), 0);
  EXPECT_EQ(error.code, CabError::ReserveSizeChanged);
  cab_destroy(engine);
  EXPECT_EQ(memfs::open_handles(), 0);
}

TEST_F(EngineSet, ContinuedFileBeforeTheCurrentBlockIsCorrupt) {
  auto set = three_cabinets(0);
  // A second continued file in the third cabinet that claims to start at the folder's beginning.
  FileImage stray = set[2].files.front();
  stray.name = "stray";
  stray.folder_offset = 0;
  stray.size = 10;
  stray.folder_index = 0xFFFD;
  set[2].files.push_back(stray);
  memfs::ClientPolicy policy;
  policy.follow_set = false;
  auto result = memfs::extract_images(set, policy);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.code, CabError::CorruptData);
  EXPECT_EQ(memfs::open_handles(), 0);
}

TEST_F(EngineSet, SkippedContinuedFilesAreSkippedAgainInTheNextCabinet) {
  SetOptions options;
  options.max_cabinet_size = 38000;
  // Two small files share the split block with the big one.
  std::vector<SourceFolder> folders = {folder(0, {file("big", testdata::random_bytes(36000, 1)),
                                                   file("x", testdata::random_bytes(1000, 2)),
                                                   file("y", testdata::random_bytes(1000, 3))})};
  auto set = build_set(folders, options);
  ASSERT_EQ(set.size(), 2u);
  ASSERT_EQ(set[1].files.size(), 3u);  // all three share the split block
  memfs::ClientPolicy policy;
  policy.file_begin = [](const CabNotification& n) { return std::string(n.text1) == "y" ? 1 : 0; };
  auto result = memfs::extract_images(set, policy);
  ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
  EXPECT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files["y"], testdata::random_bytes(1000, 3));
}

}  // namespace
