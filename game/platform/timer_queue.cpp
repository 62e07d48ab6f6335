#include "game/platform/timer_queue.h"

#include <algorithm>

namespace kv {

void TimerQueue::Attach(Timer& t, int64_t now) {
  entries_.push_back({&t, Clock(now) + t.Interval() * ticksPerMs_, t.Running(), 0});
}

void TimerQueue::Detach(Timer& t) {
  std::erase_if(entries_, [&](const Entry& e) { return e.timer == &t; });
}

void TimerQueue::Restart(Timer& t, int64_t now) {
  for (Entry& e : entries_) {
    if (e.timer != &t) continue;
    e.scheduled = t.Running();
    e.due = Clock(now) + t.Interval() * ticksPerMs_;
  }
}

void TimerQueue::Hold(bool held, int64_t now) {
  if (held == held_) return;
  if (held) {
    heldAt_ = now;
  } else {
    for (Entry& e : entries_) e.due += now - heldAt_;
  }
  held_ = held;
}

TimerQueue::Entry* TimerQueue::Earliest() {
  Entry* best = nullptr;
  for (Entry& e : entries_)
    if (e.scheduled && (!best || e.due < best->due)) best = &e;
  return best;
}

int64_t TimerQueue::NextDue() const {
  int64_t next = kNever;
  if (held_) return next;
  for (const Entry& e : entries_)
    if (e.scheduled) next = std::min(next, e.due);
  return next;
}

Timer* TimerQueue::FireDue(int64_t now, const std::function<void(const Timer&)>& beforeFire) {
  Entry* e = held_ ? nullptr : Earliest();
  if (!e || e->due > now) return nullptr;
  // An interval set to 0 by a handler stops the timer at its next restart; until then it
  // must not divide by zero.
  const int64_t interval = std::max<int64_t>(1, e->timer->Interval()) * ticksPerMs_;
  int64_t next = e->due + interval;
  if (next <= now) next = e->due + interval * ((now - e->due) / interval + 1);
  e->due = next;
  ++e->fired;
  Timer* t = e->timer;  // the handler may change the entries
  if (beforeFire) beforeFire(*t);
  t->Fire();
  return t;
}

uint64_t TimerQueue::FiredCount(const Timer& t) const {
  for (const Entry& e : entries_)
    if (e.timer == &t) return e.fired;
  return 0;
}

}  // namespace kv
