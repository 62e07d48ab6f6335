#include "game/platform/timer_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

// A scheduler that forwards to the queue on a clock the test sets.
struct Clocked : TimerScheduler {
  TimerQueue q{1000};  // a microsecond clock, as on the desktop
  int64_t now = 0;
  void Attach(Timer& t) override { q.Attach(t, now); }
  void Detach(Timer& t) override { q.Detach(t); }
  void Restart(Timer& t) override { q.Restart(t, now); }
  void Hold(bool held) override { q.Hold(held, now); }
};

constexpr int64_t ms = 1000;

TEST(TimerQueue, EarliestFirstAndAtATieTheTimerAttachedFirst) {
  Clocked c;
  std::vector<std::string> fired;
  Timer a(c, "a", 30, true), b(c, "b", 20, true), d(c, "d", 30, true);
  for (Timer* t : {&a, &b, &d}) t->OnTimer([&fired, t] { fired.push_back(t->Name()); });
  EXPECT_EQ(c.q.NextDue(), 20 * ms);
  c.now = 30 * ms;
  while (c.q.FireDue(c.now)) {
  }
  EXPECT_EQ(fired, (std::vector<std::string>{"b", "a", "d"}));
  EXPECT_EQ(c.q.FireDue(c.now), nullptr) << "nothing more is due";
}

TEST(TimerQueue, TicksMissedWhileBlockedMergeIntoOneAndThePhaseStays) {
  Clocked c;
  int n = 0;
  Timer t(c, "t", 10, true);
  t.OnTimer([&] { ++n; });
  c.now = 57 * ms;  // five expiries passed: 10 .. 50
  EXPECT_EQ(c.q.FireDue(c.now), &t);
  EXPECT_EQ(c.q.FireDue(c.now), nullptr);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(c.q.NextDue(), 60 * ms);
}

TEST(TimerQueue, AnIntervalChangeRestartsTheCountdownAtOnce) {
  Clocked c;
  Timer t(c, "t", 1000, true);
  c.now = 400 * ms;
  t.SetInterval(2);
  EXPECT_EQ(c.q.NextDue(), 402 * ms);
  t.SetEnabled(false);
  EXPECT_EQ(c.q.NextDue(), TimerQueue::kNever);
  t.SetEnabled(true);
  EXPECT_EQ(c.q.NextDue(), 402 * ms);
  t.SetEnabled(true);  // no change, no restart
  c.now = 401 * ms;
  t.SetEnabled(true);
  EXPECT_EQ(c.q.NextDue(), 402 * ms);
}

TEST(TimerQueue, AHandlerMayFireTimersInsideItselfAsAModalLoopDoes) {
  Clocked c;
  std::vector<std::string> order;
  Timer outer(c, "outer", 10, true), inner(c, "inner", 15, true);
  int depth = 0;
  outer.OnTimer([&] {
    order.push_back("outer" + std::to_string(depth));
    if (depth++ > 0) return;
    c.now = 30 * ms;  // the box stays open for a while
    while (c.q.FireDue(c.now)) {
    }
  });
  inner.OnTimer([&] { order.push_back("inner"); });
  c.now = 10 * ms;
  std::string told;
  c.q.FireDue(c.now, [&](const Timer& t) { told = t.Name(); });
  EXPECT_EQ(told, "outer");
  // outer's next expiry (20) was set before its handler ran, so it fires again inside; each
  // firing late at 30 covers the expiry at 30 as well.
  EXPECT_EQ(order, (std::vector<std::string>{"outer0", "inner", "outer1"}));
  EXPECT_EQ(c.q.NextDue(), 40 * ms);
}

TEST(TimerQueue, AHoldStopsTheClockForEveryTimerAndARestartCountsFromTheRelease) {
  Clocked c;
  Timer a(c, "a", 10, true), b(c, "b", 100, true);
  c.now = 4 * ms;
  c.Hold(true);
  c.now = 5000 * ms;
  EXPECT_EQ(c.q.NextDue(), TimerQueue::kNever);
  EXPECT_EQ(c.q.FireDue(c.now), nullptr);
  b.SetInterval(50);  // restarted while held: its 50 ms begin at the release
  c.Hold(false);
  EXPECT_EQ(c.q.NextDue(), 5006 * ms) << "a had 6 ms left";
  c.now = 5006 * ms;
  EXPECT_EQ(c.q.FireDue(c.now), &a);
  c.now = 5049 * ms;
  while (c.q.FireDue(c.now)) {
  }
  EXPECT_EQ(c.q.FiredCount(b), 0u);
  c.now = 5050 * ms;
  EXPECT_EQ(c.q.FireDue(c.now), &b);
}

TEST(TimerQueue, ADetachedTimerNoLongerFires) {
  Clocked c;
  int n = 0;
  {
    Timer t(c, "t", 5, true);
    t.OnTimer([&] { ++n; });
  }
  c.now = 100 * ms;
  EXPECT_EQ(c.q.FireDue(c.now), nullptr);
  EXPECT_EQ(n, 0);
}

}  // namespace
}  // namespace kv
