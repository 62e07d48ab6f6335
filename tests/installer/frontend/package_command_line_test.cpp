// The package's command line: what each form means, and what is refused with the usage.
#include <gtest/gtest.h>

#include "installer/frontend/package_command_line.h"

namespace {

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < line.size()) {
    size_t space = line.find(' ', start);
    if (space == std::string::npos) space = line.size();
    if (space > start) out.push_back(line.substr(start, space - start));
    start = space + 1;
  }
  return out;
}

struct Accepted {
  const char* line;
  RunMode mode;
  const char* target;  // null: none
  bool yes;
  OverwritePolicy policy;
  int launchers;  // -1: the package's own choice
  bool quiet;
};

TEST(CommandLine, AcceptedFormsMeanWhatTheHelpSays) {
  constexpr OverwritePolicy ASK = OverwritePolicy::Ask, ALL = OverwritePolicy::All, NONE = OverwritePolicy::None;
  const Accepted cases[] = {
      {"", RunMode::Install, nullptr, false, ASK, -1, false},
      {"--target /opt/x", RunMode::Install, "/opt/x", false, ASK, -1, false},
      {"--target=/opt/x --yes", RunMode::Install, "/opt/x", true, NONE, -1, false},
      {"-y --overwrite all", RunMode::Install, nullptr, true, ALL, -1, false},
      {"--overwrite=none", RunMode::Install, nullptr, false, NONE, -1, false},
      {"--yes --launchers menu,sendto -q", RunMode::Install, nullptr, true, NONE, LAUNCHER_MENU | LAUNCHER_SEND_TO, true},
      {"--launchers=desktop", RunMode::Install, nullptr, false, ASK, LAUNCHER_DESKTOP, false},
      {"--no-launchers --yes", RunMode::Install, nullptr, true, NONE, 0, false},
      {"--list", RunMode::List, nullptr, false, ASK, -1, false},
      {"--check --quiet", RunMode::Check, nullptr, false, ASK, -1, true},
      {"--uninstall --target /opt/x --yes", RunMode::Uninstall, "/opt/x", true, NONE, -1, false},
      {"--bogus --help", RunMode::Help, nullptr, false, ASK, -1, false},
  };
  for (const Accepted& c : cases) {
    ParsedCommandLine parsed = parse_command_line(words(c.line));
    ASSERT_TRUE(parsed.ok) << c.line << ": " << parsed.error;
    const CommandLine& line = parsed.line;
    EXPECT_EQ(line.given, *c.line != 0) << c.line;
    if (c.mode == RunMode::Help) {
      EXPECT_EQ(line.mode, RunMode::Help);
      continue;
    }
    EXPECT_EQ(line.mode, c.mode) << c.line;
    EXPECT_EQ(line.target.value_or("(none)"), c.target ? c.target : "(none)") << c.line;
    EXPECT_EQ(line.yes, c.yes) << c.line;
    EXPECT_EQ(line.overwrite_policy(), c.policy) << c.line;
    EXPECT_EQ(line.launchers ? int(*line.launchers) : -1, c.launchers) << c.line;
    EXPECT_EQ(line.quiet, c.quiet) << c.line;
  }
}

TEST(CommandLine, MeaninglessFormsAreRefusedWithTheirReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"--frobnicate", "unknown argument '--frobnicate'"},
      {"install", "unknown argument 'install'"},
      {"--target", "--target needs a folder"},
      {"--target=", "--target needs a folder"},
      {"--overwrite sometimes", "--overwrite takes ask, all or none"},
      {"--overwrite", "--overwrite takes ask, all or none"},
      {"--launchers menu,start", "--launchers takes"},
      {"--launchers menu,,desktop", "--launchers takes"},
      {"--launchers menu --no-launchers", "exclude each other"},
      {"--no-launchers --launchers menu", "exclude each other"},
      {"--list --check", "exclude each other"},
      {"--yes --overwrite ask", "--yes asks none"},
      {"--list --overwrite all", "belong to an install"},
      {"--check --target /tmp", "install nothing"},
  };
  for (const auto& [line, why] : cases) {
    ParsedCommandLine parsed = parse_command_line(words(line));
    EXPECT_FALSE(parsed.ok) << line;
    EXPECT_NE(parsed.error.find(why), std::string::npos) << line << ": " << parsed.error;
  }
}

TEST(CommandLine, TheHelpNamesEveryOption) {
  std::string help = usage_text();
  for (const char* option : {"--target", "--yes", "--overwrite", "--quiet", "--launchers", "--no-launchers", "--list",
                             "--check", "--uninstall", "--help", "uninstall.manifest", "Exit status"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}

}  // namespace
