// The terminal's progress line: every part present, and the line never wider than the terminal.
#include <gtest/gtest.h>

#include "installer/platform/text/progress_line.h"

using namespace platform;

namespace {

TEST(ProgressLine, ShowsBarPercentBytesSpeedTimeLeftAndName) {
  struct Case {
    TransferView view;
    size_t columns;
    const char* expected;
  };
  const Case cases[] = {
      {{0, 0, 279614, 0.0, "Kestrovan"}, 100, "[--------------------]   0%  0 B / 273.1 KiB  --  --:-- left  Kestrovan"},
      {{50, 139807, 279614, 2.0, "ufo.wav"}, 100,
       "[##########----------]  50%  136.5 KiB / 273.1 KiB  68.3 KiB/s  0:02 left  ufo.wav"},
      {{100, 3ull << 30, 3ull << 30, 4000.0, "big"}, 100, "[####################] 100%  3.0 GiB / 3.0 GiB  786.4 KiB/s  0:00 left  big"},
      {{7, 700, 0, 1.0, "n"}, 100, "[#-------------------]   7%  700 B  700 B/s  n"},  // no total: no time left
      {{1, 10, 1000, 0.1, "early"}, 100, "[--------------------]   1%  10 B / 1000 B  --  --:-- left  early"},
      {{20, 1ull << 20, 5ull << 20, 1.0, "slow"}, 100, "[####----------------]  20%  1.0 MiB / 5.0 MiB  1.0 MiB/s  0:04 left  slow"},
      {{20, 100, 7200100, 1.0, "hours"}, 100, "[####----------------]  20%  100 B / 6.9 MiB  100 B/s  20:00:00 left  hours"},
      {{0, 1, 1ull << 62, 1.0, "crawl"}, 100, "[--------------------]   0%  1 B / 4194304.0 TiB  1 B/s  99:59:59 left  crawl"},
  };
  for (const Case& c : cases) EXPECT_EQ(format_progress_line(c.view, c.columns), c.expected);
}

TEST(ProgressLine, TheNameGivesWayFromItsStartAndIsEscaped) {
  TransferView view{40, 400, 1000, 1.0, "sounds/a-very-long-folder-name/ルジズ・ケストロヴァン/Fire.wav"};
  for (size_t columns : {200u, 80u, 70u, 60u, 50u}) {
    std::string line = format_progress_line(view, columns);
    EXPECT_LE(display_columns(line), columns) << line;
    EXPECT_TRUE(line.ends_with("Fire.wav")) << line;
  }
  EXPECT_NE(format_progress_line(view, 70).find("…"), std::string::npos);
  view.name = "evil\x1b]0;title\x07.txt";
  std::string line = format_progress_line(view, 120);
  EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
  EXPECT_NE(line.find("evil\\x1B]0;title\\x07.txt"), std::string::npos) << line;
  EXPECT_EQ(display_columns("ルジズ"), 6u);
  EXPECT_EQ(display_columns("abc"), 3u);
}

}  // namespace
