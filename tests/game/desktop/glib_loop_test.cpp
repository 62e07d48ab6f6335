#include "game/platform/gtk/glib_loop.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/platform/headless/files.h"
#include "game/platform/timer.h"

namespace kv {
namespace {

// Runs the default main context until done() or about ten seconds.
template <typename F>
bool Iterate(F done) {
  const gint64 end = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
  while (!done() && g_get_monotonic_time() < end) g_main_context_iteration(nullptr, TRUE);
  return done();
}

class GlibTimers : public ::testing::Test {
 protected:
  EventTrace trace;
  GlibLoop loop{trace};
};

TEST_F(GlibTimers, ATwoMillisecondTimerFiresAndAnIntervalChangeTakesEffectAtOnce) {
  int fast = 0;
  Timer t(loop, "timMain", 2, true);
  t.OnTimer([&] { ++fast; });
  EXPECT_TRUE(Iterate([&] { return fast >= 20; }));
  t.SetInterval(60000);
  const int before = fast;
  Timer probe(loop, "probe", 30, true);
  int probes = 0;
  probe.OnTimer([&] { ++probes; });
  EXPECT_TRUE(Iterate([&] { return probes >= 3; }));
  EXPECT_EQ(fast, before) << "the long interval applied at once";
}

TEST_F(GlibTimers, TimersKeepFiringInsideAHandlersNestedLoop) {
  std::vector<std::string> order;
  Timer outer(loop, "outer", 5, true), other(loop, "other", 7, true);
  bool inBox = false;
  outer.OnTimer([&] {
    order.push_back(inBox ? "outer inside" : "outer");
    if (inBox) return;
    inBox = true;  // a modal box's loop
    Iterate([&] { return order.size() >= 4; });
    inBox = false;
    outer.SetEnabled(false);
    other.SetEnabled(false);
  });
  other.OnTimer([&] { order.push_back(inBox ? "other inside" : "other"); });
  EXPECT_TRUE(Iterate([&] { return !outer.Enabled(); }));
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(order[0], "outer");
  EXPECT_NE(std::find(order.begin(), order.end(), "outer inside"), order.end()) << "the running timer fires again";
  EXPECT_NE(std::find(order.begin(), order.end(), "other inside"), order.end());
}

TEST_F(GlibTimers, SleepPresentsFirstThenBlocksWithoutFiring) {
  int fired = 0, presented = 0;
  Timer t(loop, "t", 1, true);
  t.OnTimer([&] { ++fired; });
  loop.OnPresent([&] {
    ++presented;
    EXPECT_EQ(fired, 0);
  });
  const gint64 start = g_get_monotonic_time();
  loop.Sleep(30);
  EXPECT_GE(g_get_monotonic_time() - start, 30 * 1000);
  EXPECT_EQ(presented, 1);
  EXPECT_EQ(fired, 0);
  // Ticks missed during the pause come as one.
  g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(fired, 1);
}

TEST_F(GlibTimers, NoTimerFiresAfterStopAndEveryFiringIsTraced) {
  TempFolder folder;
  EventTrace traced;
  ASSERT_TRUE(traced.Open(folder.path() + "/trace.txt"));
  GlibLoop l(traced);
  int fired = 0, handled = 0;
  Timer t(l, "timSub", 1, true);
  t.OnTimer([&] { ++fired; });
  l.OnHandled([&] { ++handled; });
  EXPECT_TRUE(Iterate([&] { return fired >= 2; }));
  EXPECT_EQ(handled, fired);
  l.Stop();
  const int at = fired;
  for (int i = 0; i < 20; ++i) g_main_context_iteration(nullptr, FALSE);
  g_usleep(5000);
  for (int i = 0; i < 20; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(fired, at);
  traced.Snapshot();
  std::string text, error;
  ASSERT_TRUE(ReadTextFile(folder.path() + "/trace.txt", text, error));
  EXPECT_EQ(text.substr(0, 26), "timer timSub\ntimer timSub\n");
  EXPECT_NE(text.find("snapshot 1\n"), std::string::npos);
}

}  // namespace
}  // namespace kv
