#pragma once
// The headless event loop on a virtual clock. Timers fire one at a time in time order; posted
// events (keys, menus) at their times, ahead of any timer due then, as input goes before
// timer messages. Sleep moves the clock without firing anything; a modal box runs a nested
// loop in which timers go on firing.
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "game/platform/ports.h"
#include "game/platform/timer.h"
#include "game/platform/timer_queue.h"

namespace kv {

// Thrown out of a modal loop when the run's end arrives while the box is open.
struct RunEnded {};

class HeadlessLoop : public TimerScheduler, public Sleeper {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

  int64_t Now() const { return now_; }
  void Sleep(int32_t ms) override;

  void Attach(Timer& t) override;
  void Detach(Timer& t) override;
  void Restart(Timer& t) override;
  void Hold(bool held) override { timers_.Hold(held, now_); }

  // Input (keys, menus) is dropped while a modal box is open: the box takes the keys and the
  // menus cannot be reached. An observer (a screenshot) only looks: it also runs during a
  // Sleep, where the screen shows the picture of the moment the pause began.
  enum class EventKind { Input, Action, Observer };
  void Post(int64_t at, std::function<void()> event, EventKind kind = EventKind::Input);
  // Runs until the clock reaches end or the program ends; events due after end stay queued.
  void RunUntil(int64_t end);
  bool InRun() const { return inRun_; }
  int64_t RunEnd() const { return end_; }
  // The nested loop of a modal box: fires timers until the clock reaches limit. Throws
  // RunEnded when the run's end comes first.
  void ModalRunUntil(int64_t limit);

  void EndProgram() { ended_ = true; }
  bool Ended() const { return ended_; }
  uint64_t FiredCount(const Timer& t) const { return timers_.FiredCount(t); }

 private:
  struct Event {
    int64_t at;
    uint64_t seq;
    std::function<void()> run;
    EventKind kind;
  };
  bool RunDueEvent(bool modal);

  int64_t now_ = 0;
  int64_t end_ = kNever;
  bool inRun_ = false;
  bool ended_ = false;
  uint64_t seq_ = 0;
  int modalDepth_ = 0;
  TimerQueue timers_{1};  // the virtual clock counts milliseconds
  std::vector<Event> events_;  // kept sorted by (at, seq)
};

}  // namespace kv
