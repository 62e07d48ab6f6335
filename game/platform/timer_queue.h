#pragma once
// The timer queue of a real-time loop, on any clock in microseconds. Timers fire one at a
// time, earliest due first, and at a tie the one attached first. Expiries missed while a
// handler blocked merge into one and the timer keeps its phase. The loop asks when the next
// timer is due and calls FireDue when the time has come.
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "game/platform/timer.h"

namespace kv {

class TimerQueue {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

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

 private:
  struct Entry {
    Timer* timer;
    int64_t due;
    bool scheduled;
  };
  Entry* Earliest();
  int64_t Clock(int64_t now) const { return held_ ? heldAt_ : now; }

  std::vector<Entry> entries_;
  bool held_ = false;
  int64_t heldAt_ = 0;
};

}  // namespace kv
