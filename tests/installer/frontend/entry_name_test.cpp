// Entry names: every way a stored name could leave the destination folder is closed.
#include <gtest/gtest.h>

#include "installer/frontend/entry_name.h"
#include "installer/frontend/sanitize_entry_path.h"

namespace {

std::string sanitized(const std::string& utf8) {
  std::u16string text;
  utf8_to_utf16(utf8, text);
  sanitize_entry_path(text, u'/');
  return utf16_to_utf8(text);
}

TEST(SanitizeEntryPath, DropsEverythingThatClimbsOut) {
  EXPECT_EQ(sanitized("/etc/passwd"), "etc/passwd");
  EXPECT_EQ(sanitized("//server/share/x"), "server/share/x");
  EXPECT_EQ(sanitized("../x"), "x");
  EXPECT_EQ(sanitized("../../../x"), "x");
  EXPECT_EQ(sanitized("a/../b"), "a/b");
  EXPECT_EQ(sanitized("a/b/../../../etc/passwd"), "a/b/etc/passwd");
  EXPECT_EQ(sanitized("./../x"), "./x");
  EXPECT_EQ(sanitized("a/../.hidden"), "a/hidden");
}

TEST(SanitizeEntryPath, ForgetsDrivesAndColons) {
  EXPECT_EQ(sanitized("C:/Windows/x.dll"), "Windows/x.dll");
  EXPECT_EQ(sanitized("C:../x"), "x");
  EXPECT_EQ(sanitized("C:/../x"), "x");
  EXPECT_EQ(sanitized("C:x"), "x");
  EXPECT_EQ(sanitized("dir/name:stream"), "dir/name_stream");
  EXPECT_EQ(sanitized("a:b:c"), "b_c");  // "a:" reads as a drive
}

TEST(SanitizeEntryPath, LeavesOrdinaryNamesAlone) {
  EXPECT_EQ(sanitized("readme.txt"), "readme.txt");
  EXPECT_EQ(sanitized("sub/dir/file.tar.gz"), "sub/dir/file.tar.gz");
  EXPECT_EQ(sanitized("..."), "...");
  EXPECT_EQ(sanitized("a..b/c"), "a..b/c");
  EXPECT_EQ(sanitized("効果音/発射.wav"), "効果音/発射.wav");
  EXPECT_EQ(sanitized(""), "");
}

TEST(SafeEntryPath, UnifiesSeparatorsBeforeSanitizing) {
  EXPECT_EQ(utf16_to_utf8(safe_entry_path("..\\..\\win.ini", 0)), "win.ini");
  EXPECT_EQ(utf16_to_utf8(safe_entry_path("sub\\dir/file", 0)), "sub/dir/file");
  EXPECT_EQ(utf16_to_utf8(safe_entry_path("\\\\host\\share", 0)), "host/share");
}

TEST(SafeEntryPath, DecodesUtf8OrCp932ByTheAttribute) {
  // "音楽" in UTF-8 and in CP932.
  EXPECT_EQ(utf16_to_utf8(safe_entry_path("\xE9\x9F\xB3\xE6\xA5\xBD.mid", 0x80)), "音楽.mid");
  EXPECT_EQ(utf16_to_utf8(safe_entry_path("\x89\xB9\x8A\x79.mid", 0)), "音楽.mid");
  // Half-width katakana are single bytes in CP932.
  EXPECT_EQ(utf16_to_utf8(decode_entry_name("\xB6\xB2\xBC", 0)), "ｶｲｼ");
  // Invalid bytes become replacement characters instead of being dropped silently.
  EXPECT_EQ(utf16_to_utf8(decode_entry_name("a\xFF" "b", 0x80)), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(utf16_to_utf8(decode_entry_name("\x81", 0)), "\xEF\xBF\xBD");
}

TEST(Utf8, RejectsOverlongAndSurrogateForms) {
  std::u16string out;
  EXPECT_TRUE(utf8_to_utf16("plain \xF0\x9F\x8E\xAE", out));
  EXPECT_EQ(utf16_to_utf8(out), "plain \xF0\x9F\x8E\xAE");
  EXPECT_FALSE(utf8_to_utf16("\xC0\xAF", out));
  EXPECT_FALSE(utf8_to_utf16("\xED\xA0\x80", out));
  EXPECT_FALSE(utf8_to_utf16("\xE3\x81", out));
}

}  // namespace
