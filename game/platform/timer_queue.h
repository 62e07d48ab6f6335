#pragma once
// The timer rules of every game loop, the desktop's and the headless one: timers fire one at
// a time, earliest due first, and at a tie the one attached first. Expiries missed while a
// handler blocked merge into one and the timer keeps its phase. The loop asks when the next
// timer is due and calls FireDue when the time has come. The clock is the loop's own: the
// desktop counts microseconds, the headless loop virtual milliseconds; the queue only needs
// to know how many of its ticks make a millisecond.
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "game/platform/timer.h"

namespace kv {

class TimerQueue {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

  explicit TimerQueue(int64_t ticksPerMs) : ticksPerMs_(ticksPerMs) {}

  void Attach(Timer& t, int64_t now);
  void Detach(Timer& t);
  void Restart(Timer& t, int64_t now);  // the countdown starts again from now
  // Held, nothing is due; released at now, every countdown goes on from where it stood.
  void Hold(bool held, int64_t now);
  bool Held() const { return held_; }

  int64_t NextDue() const;  // kNever when no timer runs
  // Fires the earliest timer due at now, if any; returns the timer fired or nullptr. The
  // handler may re-enter the queue (a modal box's loop fires timers inside it); before it
  // runs, the timer's next expiry is set and beforeFire is told.
  Timer* FireDue(int64_t now, const std::function<void(const Timer&)>& beforeFire = {});
  uint64_t FiredCount(const Timer& t) const;  // 0 for a timer not attached

 private:
  struct Entry {
    Timer* timer;
    int64_t due;
    bool scheduled;
    uint64_t fired;
  };
  Entry* Earliest();
  int64_t Clock(int64_t now) const { return held_ ? heldAt_ : now; }

  int64_t ticksPerMs_;
  std::vector<Entry> entries_;
  bool held_ = false;
  int64_t heldAt_ = 0;
};

}  // namespace kv
