// The notification handler: safe names, folders, the status line, stamping, the abort flag
// and the search for the next cabinet.
#include <gtest/gtest.h>

#include <cstring>

#include "installer/frontend/callbacks.h"
#include "installer/frontend/notify.h"
#include "installer/platform/files.h"
#include "installer/platform/output_writer.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

class Notify : public ::testing::Test {
 protected:
  Notify() : here(dir.path()) {
    output.open_destination(".", false);
    app.output = &output;
  }

  CabNotification file_notification(const char* name, uint16_t attributes = 0x20) {
    CabNotification n{};
    std::strncpy(name_buffer, name, sizeof name_buffer - 1);
    n.text1 = name_buffer;
    n.user_data = &app;
    n.attributes = attributes;
    n.date = uint16_t(((2020 - 1980) << 9) | (2 << 5) | 29);
    n.time = uint16_t((6 << 11) | (30 << 5));
    return n;
  }
  // Begins, writes and ends one file, and waits until it has its name (the writer thread
  // names it after FileEnd); the handle answer of FileBegin.
  int32_t extract(const char* name, const std::string& content, uint16_t attributes = 0x20) {
    CabNotification n = file_notification(name, attributes);
    int32_t handle = on_cab_notify(FileBegin, &n);
    if (handle <= 0) return handle;
    write_handle(handle, content.data(), uint32_t(content.size()));
    n.file_handle = handle;
    EXPECT_EQ(on_cab_notify(FileEnd, &n), 1);
    EXPECT_TRUE(output.settle());
    return handle;
  }
  std::vector<std::string> statuses() {
    std::vector<std::string> shown;
    for (const std::string& e : ui.events())
      if (e.starts_with("status ")) shown.push_back(e.substr(7));
    return shown;
  }

  TempDir dir;
  ScopedChdir here;
  InstallerApp app;
  ServedApp served{app};
  platform::OutputWriter output;
  platform::ScriptedUi ui;
  char name_buffer[257] = {};
};

TEST_F(Notify, EntryNamesLandAtOrBelowTheCurrentFolder) {
  {
    WindowThread window(app, ui);
    for (const char* name : {"../../a.txt", "/etc/b.txt", "C:\\x\\c.txt", "x/ab:c.txt", "a:b.txt",
                             "sub\\dir\\d.txt"})
      EXPECT_GT(extract(name, name), 0) << name;
  }
  EXPECT_EQ(list_tree(dir.path()), std::vector<std::string>({"a.txt", "b.txt", "etc/b.txt", "sub/dir/d.txt",
                                                              "x/ab_c.txt", "x/c.txt"}));
  EXPECT_EQ(statuses(), std::vector<std::string>({"a.txt", "etc/b.txt", "x/c.txt", "x/ab_c.txt", "b.txt",
                                                  "sub/dir/d.txt"}));
  EXPECT_EQ(read_file(dir / "b.txt"), std::vector<uint8_t>({'a', ':', 'b', '.', 't', 'x', 't'}));
}

TEST_F(Notify, NamesAreUtf8WhenMarkedElseCp932) {
  {
    WindowThread window(app, ui);
    extract("\xE9\x9F\xB3\xE6\xA5\xBD.txt", "utf-8", 0xA0);
    extract("\x8C\xF8\x89\xCA\x89\xB9/\x94\xAD\x8E\xCB.wav", "cp932");  // 効果音/発射.wav
  }
  EXPECT_EQ(list_tree(dir.path()), std::vector<std::string>({"効果音/発射.wav", "音楽.txt"}));
}

TEST_F(Notify, FinishedFilesCarryTheirTimeAndAttributes) {
  {
    WindowThread window(app, ui);
    extract("readonly.txt", "locked", 0x21);
    extract("tool", "#!/bin/sh\n", 0x20);
  }
  CabNotification n = file_notification("x");
  EXPECT_EQ(mtime_of(dir / "readonly.txt"), local_time_of(n.date, n.time));
  EXPECT_EQ(mode_of(dir / "readonly.txt") & 0222, 0u);
  EXPECT_EQ(mode_of(dir / "tool") & 0111, 0111u);
}

TEST_F(Notify, AnswersFromTheOverwriteQuestion) {
  write_file(dir / "keep.txt", "old");
  ui.overwrite_answers = {platform::ANSWER_NO, platform::ANSWER_CANCEL};
  WindowThread window(app, ui);
  CabNotification n = file_notification("keep.txt");
  EXPECT_EQ(on_cab_notify(FileBegin, &n), 0);
  EXPECT_EQ(on_cab_notify(FileBegin, &n), -1);
  EXPECT_EQ(read_file(dir / "keep.txt"), std::vector<uint8_t>({'o', 'l', 'd'}));
}

TEST_F(Notify, AFileThatCannotBeCreatedAborts) {
  write_file(dir / "blocker", "a file where a folder should be");
  WindowThread window(app, ui);
  CabNotification n = file_notification("blocker/inside.txt");
  EXPECT_EQ(on_cab_notify(FileBegin, &n), -1);
}

TEST_F(Notify, TheAbortFlagStopsEveryKindAndKeepsTheFinishedFile) {
  WindowThread window(app, ui);
  CabNotification n = file_notification("long.txt");
  int32_t handle = on_cab_notify(FileBegin, &n);
  ASSERT_GT(handle, 0);
  write_handle(handle, "all of it", 9);
  app.cancel_requested = 1;
  n.file_handle = handle;
  EXPECT_EQ(on_cab_notify(FileEnd, &n), -1);
  ASSERT_TRUE(output.settle());
  EXPECT_EQ(mtime_of(dir / "long.txt"), local_time_of(n.date, n.time));
  EXPECT_EQ(close_handle(handle), -1);  // closed already
  for (CabNotifyKind kind : {CabinetOpened, FileContinued, FileBegin, CabinetNeeded, DirectoryCursor})
    EXPECT_EQ(on_cab_notify(kind, &n), -1);
}

TEST_F(Notify, OtherKindsGoOn) {
  CabNotification n = file_notification("x");
  char empty[1] = "";
  n.text3 = empty;
  EXPECT_EQ(on_cab_notify(FileContinued, &n), 0);
  EXPECT_EQ(on_cab_notify(DirectoryCursor, &n), 0);
  EXPECT_EQ(on_cab_notify(CabinetOpened, &n), 0);
  EXPECT_EQ(on_cab_notify(CabNotifyKind(17), &n), 0);
}

class NextCabinet : public Notify {
 protected:
  NextCabinet() {
    platform::make_directory(dir / "first");
    platform::make_directory(dir / "elsewhere");
    write_file(dir / "elsewhere/disk2.cab", "MSCF");
    std::strcpy(next_name, "disk2.cab");
    std::strcpy(path, (dir / "first/").c_str());
    n.text1 = next_name;
    n.text3 = path;
    n.user_data = &app;
  }
  char next_name[257] = {};
  char path[257] = {};
  CabNotification n{};
};

TEST_F(NextCabinet, AFilePresentIsOpenedWithoutAQuestion) {
  write_file(dir / "first/disk2.cab", "MSCF");
  WindowThread window(app, ui);
  EXPECT_EQ(on_cab_notify(CabinetNeeded, &n), 0);
  EXPECT_TRUE(ui.events().empty());
}

TEST_F(NextCabinet, ThePromptKeepsAskingUntilAFolderHoldsTheCabinet) {
  platform::make_directory(dir / "first/disk2.cab");  // a folder of that name is not the cabinet
  ui.cabinet_folders = {dir / "first", dir / "nowhere", dir / "elsewhere"};
  {
    WindowThread window(app, ui);
    EXPECT_EQ(on_cab_notify(CabinetNeeded, &n), 0);
  }
  EXPECT_EQ(std::string(path), dir / "elsewhere/");
  EXPECT_EQ(ui.last_cabinet_form.caption, "CABファイルの解凍");
  EXPECT_EQ(ui.last_cabinet_form.label, "disk2.cab の場所(&D)");
  EXPECT_EQ(ui.last_cabinet_form.folder, dir / "first");  // shown without its trailing slash
  EXPECT_EQ(ui.last_cabinet_form.cabinet_name, "disk2.cab");
}

TEST_F(NextCabinet, CancellingThePromptAborts) {
  ui.cabinet_folders = {dir / "nowhere"};
  WindowThread window(app, ui);
  EXPECT_EQ(on_cab_notify(CabinetNeeded, &n), -1);
  EXPECT_EQ(std::string(path), dir / "first/");
}

}  // namespace
