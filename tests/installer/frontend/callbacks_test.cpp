// The open flags as the engine and the installer use them, and the seek translation that
// serves the cabinet out of the middle of the installer's own file.
#include <gtest/gtest.h>

#include "installer/frontend/callbacks.h"
#include "installer/frontend/installer_app.h"
#include "installer_test_support.h"

using namespace testsupport;
using platform::FileAccess;
using platform::FileDisposition;

namespace {

TEST(FileFlags, MapToAccessAndDisposition) {
  struct Case {
    int flags;
    FileAccessMode expected;
  } cases[] = {
      {0x8000, {FileAccess::Read, FileDisposition::OpenExisting}},   // the engine's cabinets
      {0x80A0, {FileAccess::Read, FileDisposition::OpenExisting}},   // the installer's own file
      {0x83A1, {FileAccess::Write, FileDisposition::CreateAlways}},  // an output file
      {0x0001, {FileAccess::Write, FileDisposition::OpenExisting}},
      {0x0201, {FileAccess::Write, FileDisposition::TruncateExisting}},
      {0x0002, {FileAccess::ReadWrite, FileDisposition::OpenExisting}},
      {0x0202, {FileAccess::ReadWrite, FileDisposition::TruncateExisting}},
      {0x0008, {FileAccess::Write, FileDisposition::OpenExisting}},
      {0x0100, {FileAccess::Write, FileDisposition::OpenAlways}},
      {0x0102, {FileAccess::ReadWrite, FileDisposition::OpenAlways}},
      {0x0501, {FileAccess::Write, FileDisposition::CreateNew}},
      {0x0701, {FileAccess::Write, FileDisposition::CreateAlways}},  // truncate wins over exclusive
      {0x0500, {FileAccess::Read, FileDisposition::CreateNew}},
  };
  for (const Case& c : cases) EXPECT_EQ(file_flags_to_access(c.flags), c.expected) << std::hex << c.flags;
}

class OwnFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> bytes(2000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    write_file(dir / "setup", bytes);
    write_file(dir / "disk2.cab", bytes);
    app.module_path = WideString::from_utf8(dir / "setup");
    app.placement = {.cabinet_offset = 100, .files_offset = 40, .folder_starts = {60, 500}};
  }

  TempDir dir;
  InstallerApp app;
  ServedApp served{app};
};

TEST_F(OwnFile, OpensPositionedAtTheCabinet) {
  int handle = open_file((dir / "setup").c_str(), 0x8000, 0x0180);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(seek_file(handle, 0, 1), 100);
  uint8_t first;
  EXPECT_EQ(read_handle(handle, &first, 1), 1u);
  EXPECT_EQ(first, uint8_t(100 * 7));
  EXPECT_EQ(close_handle(handle), 0);
}

TEST_F(OwnFile, MovesOnlyTheCabinetsOwnOffsets) {
  int handle = open_file((dir / "setup").c_str(), 0x8000, 0x0180);
  EXPECT_EQ(seek_file(handle, 40, 0), 140);   // coffFiles
  EXPECT_EQ(seek_file(handle, 60, 0), 160);   // a folder's coffCabStart
  EXPECT_EQ(seek_file(handle, 500, 0), 600);
  EXPECT_EQ(seek_file(handle, 144, 0), 144);  // a position read back from the handle
  EXPECT_EQ(seek_file(handle, 40, 1), 184);   // relative seeks are never moved
  EXPECT_EQ(seek_file(handle, -40, 2), 1960);
  close_handle(handle);
}

TEST_F(OwnFile, OtherFilesOfASetAreNeverMoved) {
  // The next cabinet is a file of its own: its coffFiles may well equal the first one's.
  int handle = open_file((dir / "disk2.cab").c_str(), 0x8000, 0x0180);
  EXPECT_EQ(seek_file(handle, 0, 1), 0);
  EXPECT_EQ(seek_file(handle, 40, 0), 40);
  EXPECT_EQ(seek_file(handle, 500, 0), 500);
  close_handle(handle);
  // A handle number reused after the own file was closed is not the own file any more.
  int own = open_file((dir / "setup").c_str(), 0x8000, 0x0180);
  close_handle(own);
  int reused = open_file((dir / "disk2.cab").c_str(), 0x8000, 0x0180);
  EXPECT_EQ(seek_file(reused, 40, 0), 40);
  close_handle(reused);
}

TEST_F(OwnFile, NamesAreComparedExactly) {
  std::string other_spelling = dir.path() + "/./setup";
  int handle = open_file(other_spelling.c_str(), 0x8000, 0x0180);
  EXPECT_EQ(seek_file(handle, 0, 1), 0);
  close_handle(handle);
}

TEST(OutputFiles, AreCreatedTruncatedAndWrittenWhole) {
  TempDir dir;
  write_file(dir / "old.txt", std::string(100, 'x'));
  int handle = open_file((dir / "old.txt").c_str(), 0x83A1, 0x0180);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(write_handle(handle, "new", 3), 3u);
  EXPECT_EQ(close_handle(handle), 0);
  EXPECT_EQ(read_file(dir / "old.txt"), std::vector<uint8_t>({'n', 'e', 'w'}));
  EXPECT_EQ(open_file((dir / "missing/x").c_str(), 0x83A1, 0x0180), -1);
  EXPECT_EQ(open_file((dir / "missing.txt").c_str(), 0x8000, 0x0180), -1);
  EXPECT_EQ(seek_file(12345, 0, 0), -1);
  EXPECT_EQ(close_handle(12345), -1);
}

TEST(OutputFiles, AReadOnlyFileIsNotOverwrittenEvenByRoot) {
  TempDir dir;
  write_file(dir / "locked.txt", "keep");
  chmod((dir / "locked.txt").c_str(), 0444);
  EXPECT_EQ(open_file((dir / "locked.txt").c_str(), 0x83A1, 0x0180), -1);
  EXPECT_EQ(read_file(dir / "locked.txt"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
}

TEST(Memory, ComesFromTheHeap) {
  void* block = alloc_memory(64);
  ASSERT_NE(block, nullptr);
  free_memory(block);
}

}  // namespace
