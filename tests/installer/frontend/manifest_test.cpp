// The install record's text: any name survives the round trip, damage is named by its line,
// and an install over an earlier one keeps what it did not rewrite.
#include <gtest/gtest.h>

#include "installer/frontend/manifest.h"

namespace {

std::string digest(char c) { return std::string(64, c); }

TEST(Manifest, EveryNameSurvivesTheRoundTrip) {
  Manifest m;
  m.destination_created = true;
  m.folders = {"data", "data/deep dir", "tab\there"};
  m.files = {{"plain.txt", 12, digest('a')},
             {"data/with space and ünïcode ルジズ.bin", 1ull << 40, digest('b')},
             {"new\nline\\back\\slash\x1b[31m\x7f", 0, digest('c')}};
  m.launchers = {{"/home/u/.local/share/applications/K.desktop", 157, digest('d')}};
  std::string text = format_manifest(m);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 9);  // header, created, 3 + 3 + 1 entries
  std::string error;
  std::optional<Manifest> back = parse_manifest(text, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(*back, m);
}

TEST(Manifest, DamageIsNamedByItsLine) {
  const std::string header = "vexasfx manifest 1\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "not an install record"},
      {"vexasfx manifest 2\n", "not an install record"},
      {header + "file\t12\t" + digest('a') + "\n", "line 2"},                   // no path
      {header + "created\nfile\tx\t" + digest('a') + "\ta\n", "line 3"},        // size not a number
      {header + "file\t1\t" + std::string(63, 'a') + "\ta\n", "line 2"},        // short digest
      {header + "file\t1\t" + digest('A') + "\ta\n", "line 2"},                 // upper-case digest
      {header + "folder\tbad\\q\n", "line 2"},                                  // unknown escape
      {header + "folder\t\n", "line 2"},                                        // empty path
      {header + "remove\t/etc/passwd\n", "line 2"},                             // unknown kind
      {header + "file\t99999999999999999999\t" + digest('a') + "\ta\n", "line 2"},  // size overflow
  };
  for (const auto& [text, why] : cases) {
    std::string error;
    EXPECT_FALSE(parse_manifest(text, &error)) << text;
    EXPECT_NE(error.find(why), std::string::npos) << text << ": " << error;
  }
}

TEST(Manifest, AnInstallOverAnEarlierOneKeepsWhatItDidNotRewrite) {
  Manifest earlier;
  earlier.destination_created = true;
  earlier.folders = {"data"};
  earlier.files = {{"a", 1, digest('1')}, {"data/b", 2, digest('2')}};
  earlier.launchers = {{"/l/K.desktop", 3, digest('3')}};
  Manifest now;
  now.folders = {"more"};
  now.files = {{"data/b", 20, digest('4')}, {"c", 5, digest('5')}};
  merge_earlier_manifest(now, earlier);
  EXPECT_TRUE(now.destination_created);
  EXPECT_EQ(now.folders, (std::vector<std::string>{"data", "more"}));
  EXPECT_EQ(now.files, (std::vector<ManifestFile>{{"a", 1, digest('1')}, {"data/b", 20, digest('4')}, {"c", 5, digest('5')}}));
  EXPECT_EQ(now.launchers, earlier.launchers);
}

}  // namespace
