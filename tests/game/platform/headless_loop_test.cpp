// The headless loop: timers in time order, changes at once, Sleep, modal boxes, the generator.
#include <gtest/gtest.h>

#include "game/platform/headless/headless_platform.h"

namespace kv {
namespace {

class LoopTest : public ::testing::Test {
 protected:
  HeadlessPlatform p;
  std::vector<std::string> log;

  void Note(const std::string& what) { log.push_back(std::to_string(p.loop.Now()) + " " + what); }
};

TEST_F(LoopTest, TimersFireInTimeOrderOneAtATime) {
  Timer a(p.loop, "a", 30, true), b(p.loop, "b", 20, true), c(p.loop, "c", 60, true);
  a.OnTimer([&] { Note("a"); });
  b.OnTimer([&] { Note("b"); });
  c.OnTimer([&] { Note("c"); });
  p.loop.RunUntil(60);
  // At 60 all three are due: the one created first goes first.
  EXPECT_EQ(log, (std::vector<std::string>{"20 b", "30 a", "40 b", "60 a", "60 b", "60 c"}));
  EXPECT_EQ(p.loop.Now(), 60);
}

TEST_F(LoopTest, IntervalAndEnabledChangesTakeEffectAtOnce) {
  Timer a(p.loop, "a", 100, true), ctl(p.loop, "ctl", 30, true);
  a.OnTimer([&] { Note("a"); });
  ctl.OnTimer([&] {
    if (p.loop.Now() == 30) a.SetInterval(10);   // next at 40
    if (p.loop.Now() == 60) a.SetEnabled(false);
    if (p.loop.Now() == 90) a.SetEnabled(true);  // next at 100
    if (p.loop.Now() == 120) a.SetEnabled(true); // no change: no restart
  });
  p.loop.RunUntil(125);
  EXPECT_EQ(log, (std::vector<std::string>{"40 a", "50 a", "60 a", "100 a", "110 a", "120 a"}));
  EXPECT_EQ(p.loop.FiredCount(ctl), 4u);
  a.SetInterval(0);
  EXPECT_FALSE(a.Running());
}

TEST_F(LoopTest, SleepMovesTheClockWithoutFiringAndMissedTicksMerge) {
  Timer slow(p.loop, "slow", 25, true), other(p.loop, "other", 10, true);
  slow.OnTimer([&] {
    Note("slow");
    if (p.loop.Now() == 25) p.loop.Sleep(800);
  });
  other.OnTimer([&] { Note("other"); });
  p.loop.Post(500, [&] { Note("key"); });
  p.loop.RunUntil(860);
  // During the sleep nothing ran; afterwards the key went first, then each timer once.
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
            (std::vector<std::string>{"10 other", "20 other", "25 slow", "825 key", "825 other", "825 slow"}));
  EXPECT_EQ(log[6], "830 other");
  EXPECT_EQ(log[7], "840 other");
  EXPECT_EQ(log[8], "850 slow");  // keeps its phase: 25, 50, ... 850
}

TEST_F(LoopTest, ObserversLookDuringASleepAndInputWaitsForItsEnd) {
  Timer t(p.loop, "t", 100, true);
  int64_t seen = -1;
  t.OnTimer([&] {
    if (p.loop.Now() == 100) p.loop.Sleep(500);
  });
  p.loop.Post(300, [&] { seen = p.loop.Now(); }, HeadlessLoop::EventKind::Observer);
  p.loop.Post(300, [&] { Note("key"); });
  p.loop.RunUntil(650);
  EXPECT_EQ(seen, 100);  // the picture of the pause's start is what stood at 300
  EXPECT_EQ(log, std::vector<std::string>{"600 key"});
}

TEST_F(LoopTest, ModalBoxKeepsTimersFiringUntilItsAnswer) {
  Timer tick(p.loop, "tick", 100, true), opener(p.loop, "opener", 250, true);
  tick.OnTimer([&] { Note("tick"); });
  std::string answer;
  opener.OnTimer([&] {
    if (p.loop.Now() != 250) return;
    answer = p.dialogs.InputBox("prompt", "title");
    Note("closed");
  });
  p.dialogs.Answer(520, "Ruziz");
  p.loop.Post(300, [&] { Note("key"); });  // goes to the box, not to the game
  p.loop.RunUntil(599);
  EXPECT_EQ(answer, "Ruziz");
  EXPECT_EQ(log, (std::vector<std::string>{"100 tick", "200 tick", "300 tick", "400 tick", "500 tick", "520 closed"}));
  ASSERT_EQ(p.dialogs.shown().size(), 1u);
  EXPECT_EQ(p.dialogs.shown()[0].title, "title");
  EXPECT_EQ(p.dialogs.shown()[0].opened, 250);
  EXPECT_EQ(p.dialogs.shown()[0].closed, 520);
}

TEST_F(LoopTest, CancelAndAnswersAlreadyDue) {
  p.dialogs.Answer(0, std::nullopt);
  p.dialogs.Answer(0, "second");
  EXPECT_EQ(p.dialogs.InputBox("p", "t"), "");
  EXPECT_EQ(p.dialogs.InputBox("p", "t"), "second");
  // Outside a run with no answer left, a box closes at once.
  EXPECT_EQ(p.dialogs.InputBox("p", "t"), "");
}

TEST_F(LoopTest, RunEndingInsideAnOpenBoxStopsTheRun) {
  Timer opener(p.loop, "opener", 100, true);
  bool returned = false;
  opener.OnTimer([&] {
    p.dialogs.MessageBox("text", "title");
    returned = true;
  });
  p.loop.RunUntil(1000);
  EXPECT_FALSE(returned);
  EXPECT_EQ(p.loop.Now(), 1000);
  EXPECT_FALSE(p.loop.InRun());
}

TEST_F(LoopTest, EndingTheProgramStopsTheRun) {
  Timer t(p.loop, "t", 10, true);
  t.OnTimer([&] {
    if (p.loop.Now() == 30) p.host.EndProgram();
  });
  p.loop.RunUntil(1000);
  EXPECT_EQ(p.loop.Now(), 30);
}

TEST(SeededRandomTest, SameSeedSameSequenceWithinZeroToOne) {
  SeededRandom a(7), b(7), c(8);
  bool differs = false;
  for (int i = 0; i < 10000; ++i) {
    double x = a.Rnd();
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
    ASSERT_LT(static_cast<int>(x * 250), 250);
    EXPECT_EQ(x, b.Rnd());
    differs |= x != c.Rnd();
  }
  EXPECT_TRUE(differs);
  a.Queue(0.25);
  EXPECT_EQ(a.Rnd(), 0.25);
  EXPECT_EQ(a.Draws(), 10001u);
}

}  // namespace
}  // namespace kv
