// The installer against hostile packages and destinations, run as a user would (terminal front
// end, a temporary home). Every case snapshots the whole temporary world before and after: only
// the paths it names may change, earlier files stay byte for byte, no temporary file is left,
// and the outcome shows as one exact message and the exit status.
#include <gtest/gtest.h>

#include "hostile_cases.h"

using namespace testsupport;
using namespace hostile;

namespace {

std::string run_case(World& world, const HostileCase& c, ProcessResult* result) {
  std::string package = write_hostile_package(world, c);
  std::string destination = c.destination.starts_with("~") ? c.destination : world / c.destination;
  // Destination, Start menu (keep: no), desktop (keep: yes), OK, then the questions.
  *result = world.session.run(package, destination + "\n\n\n\n" + c.answers, world / "start");
  return result->output;
}

class HostileInstall : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInstall, ChangesOnlyWhatItMayAndSaysWhatHappened) {
  const HostileCase& c = GetParam();
  World world;
  if (c.prepare) c.prepare(world);
  TreeSnapshot before = world.snapshot();
  ProcessResult r;
  std::string output = run_case(world, c, &r);
  TreeSnapshot after = world.snapshot();

  EXPECT_EQ(r.exit_code, c.exit_code) << output;
  std::vector<std::string> changed = tree_changes(before, after);
  std::erase_if(changed, [](const std::string& p) { return p.starts_with("home/Desktop") || p == "dest/first.txt"; });
  EXPECT_EQ(changed, c.changed) << output;
  EXPECT_EQ(temporary_files(after), std::vector<std::string>{});
  EXPECT_EQ(after.count("home/Desktop/" + c.shortcut_name + ".desktop") +
                after.count("home/Desktop/.._.._.._x.desktop"),
            c.launcher ? 1u : 0u);
  EXPECT_EQ(output.find('\x1b'), std::string::npos) << "raw escape on the terminal";
  EXPECT_EQ(output.find('\a'), std::string::npos) << "raw bell on the terminal";
  if (c.message.empty()) {
    EXPECT_EQ(output.find("自己解凍書庫が破損しています。"), std::string::npos) << output;
  } else {
    EXPECT_EQ(e2e::count_of(output, c.message + "\n"), 1u) << output;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Promises, HostileInstall,
    ::testing::ValuesIn(hostile_cases()),
    [](const auto& info) { return testsupport::test_name_of(info.param.promise); });

TEST(HostileInstallOutput, ControlCharactersAppearAsEscapes) {
  World world;
  HostileCase c{"escaped", {source_file("bell\a.txt", bytes_of("x"))}};
  ProcessResult r;
  std::string output = run_case(world, c, &r);
  EXPECT_NE(output.find("bell\\x07.txt"), std::string::npos) << output;
}

}  // namespace
