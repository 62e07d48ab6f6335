// Unattended installs under each overwrite policy, launchers by option, and command lines that
// cannot be understood.
#include "scripting_support.h"

using namespace testsupport;
using scripting::Scripting;

namespace {

TEST_F(Scripting, UnattendedInstallsFollowEachOverwritePolicy) {
  ProcessResult first = install();
  ASSERT_EQ(first.exit_code, 0) << first.output;
  for (const cabwriter::SourceFile& f : folder.files) EXPECT_TRUE(installed_as_packed(f)) << f.name;
  EXPECT_EQ(first.output.find("(y/n)"), std::string::npos) << first.output;  // nothing was asked
  EXPECT_FALSE(exists(session.start_menu() + "/Kestrovan.desktop"));        // offered, not ticked
  EXPECT_FALSE(exists(session.desktop() + "/Kestrovan.desktop"));

  struct Case {
    std::vector<std::string> options;
    bool replaced;
  };
  const Case cases[] = {{{"--overwrite", "none"}, false}, {{}, false}, {{"--overwrite", "all"}, true}};
  for (const Case& c : cases) {
    for (const cabwriter::SourceFile& f : folder.files) write_file(destination + "/" + f.name, "spoilt");
    ProcessResult r = install(c.options);
    std::string label = c.options.empty() ? "default" : c.options[1];
    EXPECT_EQ(r.exit_code, 0) << label << "\n" << r.output;
    for (const cabwriter::SourceFile& f : folder.files) EXPECT_EQ(installed_as_packed(f), c.replaced) << label << " " << f.name;
    // Whatever was kept is named, so that the log of a script shows it.
    EXPECT_EQ(r.output.find("4 existing file(s) kept") != std::string::npos, !c.replaced) << label << "\n" << r.output;
    if (!c.replaced) {
      EXPECT_NE(r.output.find("  data/sounds/Fire.wav\n"), std::string::npos) << r.output;
    }
  }
  ProcessResult quiet = install({"--quiet"});
  EXPECT_EQ(quiet.exit_code, 0);
  EXPECT_EQ(quiet.output, "");
}

TEST_F(Scripting, LaunchersAreThoseTheCommandLineNames) {
  struct Case {
    std::vector<std::string> options;
    bool menu, desktop;
    const char* message;
  };
  const Case cases[] = {
      {{"--launchers", "menu,desktop"}, true, true, nullptr},
      {{"--launchers=desktop"}, false, true, nullptr},
      {{"--launchers", "menu,sendto"}, true, false, "this package offers no sendto launcher"},
      {{"--no-launchers"}, false, false, nullptr},
  };
  for (const Case& c : cases) {
    e2e::Session fresh;
    std::vector<std::string> arguments = {"--target", destination, "--yes"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ProcessResult r = fresh.run(package(), "", start.path(), arguments);
    std::string label = c.options.back();
    EXPECT_EQ(r.exit_code, 0) << label << "\n" << r.output;
    EXPECT_EQ(exists(fresh.start_menu() + "/Kestrovan.desktop"), c.menu) << label;
    EXPECT_EQ(exists(fresh.desktop() + "/Kestrovan.desktop"), c.desktop) << label;
    EXPECT_FALSE(exists(fresh.send_to())) << label;
    // An uninstall launcher goes next to a menu launcher, and only there.
    std::string uninstall_launcher = fresh.start_menu() + "/Kestrovan-uninstall.desktop";
    EXPECT_EQ(exists(uninstall_launcher), c.menu) << label;
    if (c.menu) {
      EXPECT_NE(scripting::text_of(uninstall_launcher).find("Exec=\"" + destination + "/uninstall\"\n"), std::string::npos);
    }
    if (c.message) {
      EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
  }
}

TEST_F(Scripting, CommandLinesThatCannotBeUnderstoodShowTheUsage) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--frobnicate"}, {"--yes", "--overwrite", "ask"}, {"--list", "--check"}}) {
    ProcessResult r = run(package(), arguments);
    EXPECT_EQ(r.exit_code, 2) << arguments[0];
    EXPECT_NE(r.output.find("usage: "), std::string::npos) << r.output;
  }
  ProcessResult help = run(package(), {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_TRUE(help.output.starts_with("usage: ")) << help.output;
  EXPECT_TRUE(snapshot_tree(start.path()).size() == 0 && !exists(destination));
}

}  // namespace
