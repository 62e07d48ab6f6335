// The bar moves by whole percents with the two rules, and only when the percent changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "installer/frontend/progress.h"
#include "installer_test_support.h"

using namespace testsupport;

namespace {

std::vector<std::string> progress_events(const platform::ScriptedUi& ui) {
  std::vector<std::string> events = ui.events(), progress;
  std::copy_if(events.begin(), events.end(), std::back_inserter(progress),
               [](const std::string& e) { return e.starts_with("progress "); });
  return progress;
}

TEST(ProgressPercent, SmallTotalsMultiplyFirst) {
  EXPECT_EQ(progress_percent(3, 7), 42u);
  EXPECT_EQ(progress_percent(1000, 1000), 100u);
  EXPECT_EQ(progress_percent(999, 1000), 99u);
}

TEST(ProgressPercent, LargeTotalsDivideFirst) {
  EXPECT_EQ(progress_percent(1099, 1099), 109u);  // total / 100 is 10
  EXPECT_EQ(progress_percent(50, 1001), 5u);
  EXPECT_EQ(progress_percent(uint64_t(1) << 40, uint64_t(1) << 40), 100u);
}

TEST(ReportProgress, ATotalOfZeroLeavesTheBarAlone) {
  InstallerApp app;
  platform::ScriptedUi ui;
  {
    WindowThread window(app, ui);
    report_progress(app, 5000);
  }
  EXPECT_EQ(app.done_bytes, 0u);
  EXPECT_TRUE(progress_events(ui).empty());
}

TEST(ReportProgress, SendsEachWholePercentOnce) {
  InstallerApp app;
  app.total_bytes = 1000000;
  platform::ScriptedUi ui;
  {
    WindowThread window(app, ui);
    for (int i = 0; i < 1000; ++i) report_progress(app, 1000);
  }
  std::vector<std::string> progress = progress_events(ui);
  ASSERT_EQ(progress.size(), 100u);
  EXPECT_EQ(progress.front(), "progress 1");
  EXPECT_EQ(progress.back(), "progress 100");
  EXPECT_EQ(app.done_bytes, 1000000u);
}

TEST(ReportProgress, ATotalJustAboveAThousandEndsAbove100) {
  InstallerApp app;
  app.total_bytes = 1099;
  platform::ScriptedUi ui;
  {
    WindowThread window(app, ui);
    report_progress(app, 1099);
  }
  EXPECT_EQ(app.last_percent, 109u);
  EXPECT_EQ(progress_events(ui), std::vector<std::string>({"progress 109"}));
}

}  // namespace
