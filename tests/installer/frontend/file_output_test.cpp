// Folders made level by level, the overwrite question with its remembered answers, and the
// finishing of a written file.
#include <gtest/gtest.h>

#include "installer/frontend/file_output.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer_test_support.h"

using namespace testsupport;
using namespace platform;

namespace {

TEST(CreateFolderChain, CreatesThreeMissingLevelsTopFirst) {
  TempDir dir;
  ScopedChdir here(dir.path());
  EXPECT_TRUE(create_folder_chain(u"one/two/three/"));
  EXPECT_TRUE(is_directory(dir / "one/two/three"));
  EXPECT_TRUE(create_folder_chain(u"one/two/three"));  // already there
  EXPECT_TRUE(create_folder_chain(utf8_to_utf16(dir / "abs/a/b/c")));
  EXPECT_TRUE(is_directory(dir / "abs/a/b/c"));
}

TEST(CreateFolderChain, FailsWhenAFileIsInTheWayOrNoParentIsLeft) {
  TempDir dir;
  ScopedChdir here(dir.path());
  write_file(dir / "file", "x");
  EXPECT_FALSE(create_folder_chain(u"file/sub/"));
  EXPECT_FALSE(create_folder_chain(u"/proc/no-such-place/x"));
  // A backslash is part of a name on Linux, not a separator.
  EXPECT_TRUE(create_folder_chain(u"a\\b"));
  EXPECT_TRUE(is_directory(dir / "a\\b"));
}

class Overwrite : public ::testing::Test {
 protected:
  Overwrite() : here(dir.path()) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) write_file(dir / name, "old");
    make_directory(dir / "folder");
  }
  // Runs the questions with the window thread answering from the script.
  std::vector<int> ask(std::initializer_list<const char16_t*> names) {
    std::vector<int> answers;
    WindowThread window(app, ui);
    for (const char16_t* name : names) answers.push_back(confirm_overwrite(app, name));
    return answers;
  }
  std::vector<std::string> questions() {
    std::vector<std::string> asked;
    for (const std::string& e : ui.events())
      if (e.starts_with("overwrite ")) asked.push_back(e.substr(10));
    return asked;
  }

  TempDir dir;
  ScopedChdir here;
  InstallerApp app;
  ScriptedUi ui;
};

TEST_F(Overwrite, NewFilesAreWrittenWithoutAQuestion) {
  EXPECT_EQ(ask({u"new.txt", u"sub/new.txt"}), std::vector<int>({1, 1}));
  EXPECT_TRUE(questions().empty());
}

TEST_F(Overwrite, EachButtonGivesItsAnswer) {
  ui.overwrite_answers = {ANSWER_YES, ANSWER_NO, ANSWER_CANCEL, 12345};
  EXPECT_EQ(ask({u"a.txt", u"a.txt", u"a.txt", u"a.txt"}), std::vector<int>({1, 0, -1, 1}));
  EXPECT_EQ(questions().front(), "a.txt を上書きしますか？");
  EXPECT_EQ(app.overwrite_all, 0);
  EXPECT_EQ(app.skip_all, 0);
}

TEST_F(Overwrite, AFolderOfTheSameNameCountsAsExisting) {
  ui.overwrite_answers = {ANSWER_NO};
  EXPECT_EQ(ask({u"folder"}), std::vector<int>({0}));
}

TEST_F(Overwrite, OverwriteAllStopsAsking) {
  ui.overwrite_answers = {ANSWER_YES_TO_ALL};
  EXPECT_EQ(ask({u"a.txt", u"b.txt", u"c.txt", u"new.txt"}), std::vector<int>({1, 1, 1, 1}));
  EXPECT_EQ(questions().size(), 1u);
  EXPECT_EQ(app.overwrite_all, 1);
}

TEST_F(Overwrite, SkipAllSkipsExistingFilesOnlyAndStopsAsking) {
  ui.overwrite_answers = {ANSWER_NO_TO_ALL};
  EXPECT_EQ(ask({u"a.txt", u"b.txt", u"new.txt", u"c.txt"}), std::vector<int>({0, 0, 1, 0}));
  EXPECT_EQ(questions().size(), 1u);
  EXPECT_EQ(app.skip_all, 1);
}

TEST_F(Overwrite, WithTheWindowGoneTheQuestionIsACancel) {
  { WindowThread window(app, ui); }
  EXPECT_EQ(confirm_overwrite(app, u"a.txt"), -1);
  EXPECT_TRUE(questions().empty());
}

// Writes `content` under `name` in the current folder, stamped from the stored fields.
void finish(const std::string& name, const std::string& content, uint16_t date, uint16_t time,
            uint16_t attributes) {
  platform::OutputWriter writer;
  ASSERT_TRUE(writer.open_destination(".", false));
  int handle = writer.begin(name);
  ASSERT_TRUE(writer.write(handle, content.data(), content.size()));
  ASSERT_TRUE(writer.commit(handle, output_stamp(date, time, attributes)));
}

TEST(FinishOutputFile, StampsTheLocalTimeThenTheAttributes) {
  TempDir dir;
  ScopedChdir here(dir.path());
  uint16_t date = uint16_t(((2003 - 1980) << 9) | (7 << 5) | 14);
  uint16_t time = uint16_t((23 << 11) | (59 << 5) | 29);  // 23:59:58
  finish("ro.txt", "read only", date, time, 0x01 | 0x20);
  EXPECT_EQ(mtime_of(dir / "ro.txt"), local_time_of(date, time));
  EXPECT_EQ(mode_of(dir / "ro.txt") & 0222, 0u);
  finish("rw.txt", "normal", date, time, 0x20 | 0x02 | 0x04);
  EXPECT_NE(mode_of(dir / "rw.txt") & 0200, 0u);
  EXPECT_EQ(mode_of(dir / "rw.txt") & 0111, 0u);
}

TEST(FinishOutputFile, ProgramsBecomeExecutable) {
  TempDir dir;
  ScopedChdir here(dir.path());
  finish("elf", std::string("\x7f" "ELF\x02\x01\x01", 7), 0x5A21, 0, 0x20);
  finish("script", "#!/bin/sh\necho hi\n", 0x5A21, 0, 0x20);
  finish("text", "ELF is not at the start\n", 0x5A21, 0, 0x20);
  finish("short", "#", 0x5A21, 0, 0x20);
  EXPECT_EQ(mode_of(dir / "elf") & 0111, 0111u);
  EXPECT_EQ(mode_of(dir / "script") & 0111, 0111u);
  EXPECT_EQ(mode_of(dir / "text") & 0111, 0u);
  EXPECT_EQ(mode_of(dir / "short") & 0111, 0u);
}

TEST(FinishOutputFile, AnInvalidDosTimeIsNoStamp) {
  EXPECT_FALSE(output_stamp(0x0000, 0x0000, 0x20).has_time);  // month 0, day 0
  EXPECT_FALSE(output_stamp(0x5A21, uint16_t(24 << 11), 0x20).has_time);
  EXPECT_TRUE(output_stamp(0x5A21, 0, 0x20).has_time);
}

TEST(OutputName, DropsEmptyAndCurrentFolderSteps) {
  EXPECT_EQ(output_name(u"a//./b/./c.txt"), "a/b/c.txt");
  EXPECT_EQ(output_name(u"./x"), "x");
  EXPECT_EQ(output_name(u"."), "");
}

}  // namespace
