// The INI class: profile semantics, encodings, and writes that keep the rest of the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "game/platform/file_store.h"
#include "game/platform/headless/files.h"
#include "game/shell/cIniFile.h"

namespace kv {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) { ASSERT_TRUE(ReplaceFile(path, bytes)); }
  std::string Read() const {
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(path, bytes, 1 << 20), ReadResult::Ok);
    return bytes;
  }
  size_t FilesInFolder() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
  }

  TempFolder dir;
  std::string path = dir.path() + "/Ruziz Kestrovan.ini";
  cIniFile ini;
};

TEST_F(IniFileTest, NamesMatchWithoutCaseAndTheFirstMatchCounts) {
  Write("Stray=1\r\n[settings]\r\n  LEVEL = 2 \r\nlevel=0\r\n[Other]\r\nSpeed=9\r\n[SETTINGS]\r\nSpeed=1\r\n");
  EXPECT_EQ(ini.MyGetString(path, "Settings", "Level", "d"), "2");
  EXPECT_EQ(ini.MyGetInteger(path, "SeTTingS", "level", 7), 2);
  // Only the first section of a name is read; keys before any section belong to none.
  EXPECT_EQ(ini.MyGetString(path, "Settings", "Speed", "d"), "d");
  EXPECT_EQ(ini.MyGetString(path, "", "Stray", "d"), "d");
}

TEST_F(IniFileTest, DefaultsForMissingFileSectionKeyAndEmptyValue) {
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Name", "Velmora"), "Velmora");
  EXPECT_EQ(ini.MyGetInteger(path, "Settings", "Level", 1), 1);
  Write("[HighScore]\nName=\nScore=  \nQuoted=\"  Ann  \"\nSingle='x'\nBare\n;Name=Commented\n");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Name", "Velmora"), "Velmora");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Score", "19300"), "19300");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Quoted", "d"), "  Ann  ");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Single", "d"), "x");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Bare", "d"), "d");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", ";Name", "d"), "d");
  EXPECT_EQ(ini.MyGetString(path, "Nothing", "Name", "d"), "d");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Nothing", "d"), "d");
}

TEST_F(IniFileTest, ValuesAreCutAt255BytesWholeCharactersAndAtANul) {
  std::string longAscii(300, 'a');
  std::string longUtf8;
  for (int i = 0; i < 100; ++i) longUtf8 += "あ";  // 3 bytes each
  std::string longCp932;
  for (int i = 0; i < 200; ++i) longCp932 += "\x82\xa0";  // あ in CP932
  Write("[S]\r\nA=" + longAscii + "\r\nU=" + longUtf8 + "\r\nC=" + longCp932 + "\r\nN=ab" + std::string(1, '\0') +
        "cd\r\nZ=" + std::string(1, '\0') + "x\r\n");
  EXPECT_EQ(ini.MyGetString(path, "S", "A", ""), std::string(255, 'a'));
  std::string u = ini.MyGetString(path, "S", "U", "");
  EXPECT_EQ(u.size(), 255u);  // 85 characters
  EXPECT_EQ(u, longUtf8.substr(0, 255));
  std::string c = ini.MyGetString(path, "S", "C", "");
  std::string expected;
  for (int i = 0; i < 127; ++i) expected += "あ";  // 254 bytes in CP932
  EXPECT_EQ(c, expected);
  EXPECT_EQ(ini.MyGetString(path, "S", "N", "d"), "ab");
  EXPECT_EQ(ini.MyGetString(path, "S", "Z", "d"), "d");  // nothing before the NUL: empty
}

TEST_F(IniFileTest, IntegersAreTheLeadingDecimalNumber) {
  Write("[S]\nA=42\nB= -7\nC=12abc\nD=abc\nE=\nF=+3\nG=99999999999\nH=-99999999999\nI=0x10\nJ=\"5\"\n");
  EXPECT_EQ(ini.MyGetInteger(path, "S", "A", 1), 42);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "B", 1), -7);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "C", 1), 12);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "D", 1), 1);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "E", 1), 1);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "F", 1), 3);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "G", 1), INT32_MAX);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "H", 1), INT32_MIN);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "I", 1), 0);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "J", 1), 5);
  EXPECT_EQ(ini.MyGetInteger(path, "S", "Missing", -4), -4);
}

TEST_F(IniFileTest, WritesCreateTheFileAndSectionsInUtf8) {
  EXPECT_TRUE(ini.MySetString(path, "Settings", "Level", "1"));
  EXPECT_TRUE(ini.MySetString(path, "Settings", "Speed", "2"));
  EXPECT_TRUE(ini.MySetString(path, "HighScore", "Name", "テスト"));
  EXPECT_EQ(Read(), "[Settings]\r\nLevel=1\r\nSpeed=2\r\n\r\n[HighScore]\r\nName=テスト\r\n");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Name", ""), "テスト");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineByteForByte) {
  const std::string before =
      "; Ruziz Kestrovan\n"
      "\n"
      "[Settings]  \n"
      "level = 0\n"
      "# keep me\n"
      "Sound=False\n"
      "\n"
      "; the record\n"
      "[HighScore]\r\n"
      "Name=Ann\r\n"
      "Score=25000";
  Write(before);
  chmod(path.c_str(), 0600);
  EXPECT_TRUE(ini.MySetString(path, "SETTINGS", "Level", "2"));
  EXPECT_TRUE(ini.MySetString(path, "Settings", "Speed", "1"));
  EXPECT_TRUE(ini.MySetString(path, "HighScore", "Rank", "1"));
  EXPECT_EQ(Read(),
            "; Ruziz Kestrovan\n"
            "\n"
            "[Settings]  \n"
            "level=2\n"
            "# keep me\n"
            "Sound=False\n"
            "Speed=1\n"
            "\n"
            "; the record\n"
            "[HighScore]\r\n"
            "Name=Ann\r\n"
            "Score=25000\n"
            "Rank=1\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the file keeps its permissions
}

TEST_F(IniFileTest, Cp932FileReadsPerValueAndKeepsItsOtherLines) {
  // A file from the original platform: a CP932 comment and name. The game then writes a
  // UTF-8 name into it; both kinds of value read back correctly.
  const std::string cp932Comment = "; \x83\x6e\x83\x43\x83\x58\x83\x52\x83\x41";  // ハイスコア
  Write(cp932Comment + "\r\n[HighScore]\r\nName=\x83\x65\x83\x58\x83\x67\r\nOld=\x83\x65\r\n");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Name", ""), "テスト");
  EXPECT_TRUE(ini.MySetString(path, "HighScore", "Name", "ハイスコア"));
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Name", ""), "ハイスコア");
  EXPECT_EQ(ini.MyGetString(path, "HighScore", "Old", ""), "テ");
  EXPECT_EQ(Read().substr(0, cp932Comment.size()), cp932Comment);
}

TEST_F(IniFileTest, BadNamesAndUnreadableFilesWriteNothing) {
  Write("[S]\nA=1\n");
  const std::string before = Read();
  EXPECT_FALSE(ini.MySetString(path, "S", "A", "1\r\nInjected=1"));
  EXPECT_FALSE(ini.MySetString(path, "S", "A=B", "1"));
  EXPECT_FALSE(ini.MySetString(path, "S", "", "1"));
  EXPECT_FALSE(ini.MySetString(path, "S]", "A", "1"));
  EXPECT_FALSE(ini.MySetString(path, "", "A", "1"));
  EXPECT_FALSE(ini.MySetString(path, "S", "[A", "1"));
  EXPECT_EQ(Read(), before);
  // A folder where the file should be, and a folder that does not exist.
  std::string folderPath = dir.path() + "/Folder.ini";
  std::filesystem::create_directory(folderPath);
  EXPECT_FALSE(ini.MySetString(folderPath, "S", "A", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(folderPath));
  EXPECT_EQ(ini.MyGetString(folderPath, "S", "A", "d"), "d");
  EXPECT_FALSE(ini.MySetString(dir.path() + "/missing/x.ini", "S", "A", "1"));
  EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(IniFileTest, DeleteSectionAndKey) {
  Write("[A]\nx=1\ny=2\n[B]\nz=3\n");
  ini.MyDeleteKey(path, "a", "Y");
  EXPECT_EQ(Read(), "[A]\nx=1\n[B]\nz=3\n");
  ini.MyDeleteSection(path, "A");
  EXPECT_EQ(Read(), "[B]\nz=3\n");
  ini.MyDeleteSection(path, "Missing");
  ini.MyDeleteKey(dir.path() + "/none.ini", "B", "z");
  EXPECT_FALSE(FileExists(dir.path() + "/none.ini"));
  EXPECT_EQ(Read(), "[B]\nz=3\n");
}

TEST_F(IniFileTest, AByteOrderMarkIsKept) {
  Write("\xEF\xBB\xBF[Settings]\nLevel=2\n");
  EXPECT_EQ(ini.MyGetInteger(path, "Settings", "Level", 1), 2);
  EXPECT_TRUE(ini.MySetString(path, "Settings", "Level", "0"));
  EXPECT_EQ(Read(), "\xEF\xBB\xBF[Settings]\nLevel=0\n");
}

}  // namespace
}  // namespace kv
