// Which front end the stub opens, and that VEXASFX_DEBUG=1 says why.
#include <gtest/gtest.h>

#include "e2e_support.h"

using namespace testsupport;

namespace {

TEST(FrontEndChoice, DebugSaysWhichFrontEndAndWhy) {
  struct Case {
    std::vector<std::string> environment;
    std::string expected;  // empty: no such line at all
  } cases[] = {
      {{"VEXASFX_DEBUG=1", "VEXASFX_UI=text", "DISPLAY=:0"}, "vexasfx: front end text: VEXASFX_UI=text\n"},
      {{"VEXASFX_DEBUG=1", "VEXASFX_UI=", "DISPLAY=", "WAYLAND_DISPLAY="},
       "vexasfx: front end text: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n"},
      {{"VEXASFX_DEBUG=1", "VEXASFX_UI=tui", "DISPLAY=", "WAYLAND_DISPLAY="},
       "vexasfx: front end text: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); VEXASFX_UI=tui is "
       "neither text nor gtk\n"},
      {{"VEXASFX_DEBUG=1", "VEXASFX_UI=", "DISPLAY=:99999", "WAYLAND_DISPLAY="},
       "vexasfx: front end text: the display :99999 could not be opened\n"},
      {{"VEXASFX_DEBUG=", "VEXASFX_UI=text"}, ""},
  };
  TempDir home, folder;
  for (const Case& c : cases) {
    std::vector<std::string> environment = c.environment;
    environment.push_back("HOME=" + home.path());
    // The bare stub carries no package: it reports that and ends; only the choice matters here.
    ProcessResult r = run_process(VEXASFX, {}, "", folder.path(), environment, 60);
    if (c.expected.empty())
      EXPECT_EQ(r.output.find("front end"), std::string::npos) << r.output;
    else
      EXPECT_NE(r.output.find(c.expected), std::string::npos) << r.output;
  }
}

}  // namespace
