// The settings block: every length counts UTF-16 units, short reads end the run, and the
// default folder follows its base.
#include <gtest/gtest.h>

#include "installer/frontend/package_header.h"
#include "installer/platform/files.h"
#include "installer/platform/special_folders.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

struct HeaderRead {
  bool ok = false;
  InstallerApp app;
  int64_t position = -1;
};

void read_from(const std::vector<uint8_t>& bytes, HeaderRead& result) {
  TempDir dir;
  write_file(dir / "package", bytes);
  int file = platform::open_path(dir / "package", platform::FileAccess::Read,
                                 platform::FileDisposition::OpenExisting);
  ASSERT_GE(file, 0);
  result.ok = read_package_header(file, result.app);
  result.position = platform::seek_position(file, 0, 1);
  platform::close_file(file);
}

TEST(PackageHeader, ShippedSettingsAre84BytesAndReadBack) {
  std::vector<uint8_t> block = vexapack::settings_block(shipped_settings("Kestrovan.exe"));
  EXPECT_EQ(block.size(), 84u);
  block.insert(block.end(), {'M', 'S', 'C', 'F'});
  HeaderRead r;
  read_from(block, r);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.position, 84);  // the cabinet starts right behind the block
  const PackageHeader& s = r.app.settings;
  EXPECT_EQ(s.valid, 1);
  EXPECT_EQ(s.title.utf8(), "Ruziz Kestrovan");
  EXPECT_EQ(s.program.utf8(), "Kestrovan.exe");
  EXPECT_EQ(s.shortcut_name.utf8(), "Kestrovan");
  EXPECT_TRUE(s.run_after.empty());
  EXPECT_EQ(s.start_menu, 0x01);
  EXPECT_EQ(s.desktop, 0x01);
  EXPECT_EQ(s.send_to, 0x00);
  EXPECT_EQ(s.default_folder.utf8(), platform::current_directory());
}

TEST(PackageHeader, JapaneseTextsAreUnitsNotBytes) {
  vexapack::PackageSettings settings = shipped_settings("ゲーム");
  settings.title = "ルジズ・ケストロヴァン";  // 11 units, 33 bytes of UTF-8
  std::vector<uint8_t> block = vexapack::settings_block(settings);
  EXPECT_EQ(block[1], 11);
  HeaderRead r;
  read_from(block, r);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.app.settings.title.utf8(), "ルジズ・ケストロヴァン");
  EXPECT_EQ(r.app.settings.program.utf8(), "ゲーム");
  EXPECT_EQ(r.position, int64_t(block.size()));
}

TEST(PackageHeader, NoSettingsMeansPlainMode) {
  HeaderRead r;
  read_from({0, 'M', 'S', 'C', 'F'}, r);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.position, 1);
  EXPECT_EQ(r.app.settings.valid, 0);
  EXPECT_EQ(r.app.settings.title.utf8(), "Vexa SFX");
  EXPECT_EQ(r.app.settings.default_folder.utf8(), platform::current_directory());
}

TEST(PackageHeader, ZeroTitleLengthGivesTheDefaultCaption) {
  vexapack::PackageSettings settings = shipped_settings("a");
  settings.title = "";
  HeaderRead r;
  read_from(vexapack::settings_block(settings), r);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.app.settings.valid, 1);
  EXPECT_EQ(r.app.settings.title.utf8(), "Vexa SFX");
}

TEST(PackageHeader, EveryCutEndsTheReadAndLeavesTheSettingsInvalid) {
  std::vector<uint8_t> block = vexapack::settings_block(shipped_settings("Kestrovan.exe"));
  for (size_t length = 0; length < block.size(); ++length) {
    HeaderRead r;
    read_from(std::vector<uint8_t>(block.begin(), block.begin() + length), r);
    EXPECT_FALSE(r.ok) << "cut at " << length;
    EXPECT_EQ(r.app.settings.valid, 0) << "cut at " << length;
  }
}

TEST(DefaultFolder, RootedTextsAreTakenAsTheyStand) {
  for (uint8_t base : {0, 1}) {
    EXPECT_EQ(build_default_folder(u"/srv/games", base).utf8(), "/srv/games");
    EXPECT_EQ(build_default_folder(u"D:\\Games", base).utf8(), "D:\\Games");
  }
}

TEST(DefaultFolder, RelativeTextsGoUnderTheirBase) {
  TempDir dir;
  ScopedChdir here(dir.path());
  EXPECT_EQ(build_default_folder(u"Ruziz", 0).utf8(), platform::current_directory() + "/Ruziz");
  EXPECT_EQ(build_default_folder(u"", 0).utf8(), platform::current_directory());
  std::string program_files = platform::special_folder_path(platform::FOLDER_PROGRAM_FILES);
  ASSERT_FALSE(program_files.empty());
  EXPECT_EQ(program_files, geteuid() == 0 ? "/opt" : std::string(getenv("HOME")) + "/.local/opt");
  EXPECT_EQ(build_default_folder(u"Ruziz/Kestrovan", 1).utf8(), program_files + "/Ruziz/Kestrovan");
  EXPECT_EQ(build_default_folder(u"", 1).utf8(), platform::current_directory());
}

}  // namespace
