#include "game/platform/headless/headless_loop.h"

#include <algorithm>

namespace kv {

void HeadlessLoop::Sleep(int32_t ms) {
  if (ms <= 0) return;
  const int64_t wake = now_ + ms;
  for (size_t i = 0; i < events_.size() && events_[i].at < wake;) {
    if (events_[i].kind != EventKind::Observer || events_[i].at > end_) {
      ++i;
      continue;
    }
    Event ev = std::move(events_[i]);
    events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(i));
    ev.run();
  }
  now_ = wake;
}

void HeadlessLoop::Attach(Timer& t) {
  timers_.push_back({&t, Clock() + t.Interval(), t.Running(), 0});
}

void HeadlessLoop::Detach(Timer& t) {
  std::erase_if(timers_, [&](const Entry& e) { return e.timer == &t; });
}

void HeadlessLoop::Restart(Timer& t) {
  for (Entry& e : timers_) {
    if (e.timer != &t) continue;
    e.scheduled = t.Running();
    e.due = Clock() + t.Interval();
  }
}

void HeadlessLoop::Hold(bool held) {
  if (held == held_) return;
  if (held) {
    heldAt_ = now_;
  } else {
    for (Entry& e : timers_) e.due += now_ - heldAt_;
  }
  held_ = held;
}

uint64_t HeadlessLoop::FiredCount(const Timer& t) const {
  for (const Entry& e : timers_)
    if (e.timer == &t) return e.fired;
  return 0;
}

void HeadlessLoop::Post(int64_t at, std::function<void()> event, EventKind kind) {
  Event ev{at, seq_++, std::move(event), kind};
  auto pos = std::upper_bound(events_.begin(), events_.end(), ev,
                              [](const Event& a, const Event& b) { return a.at < b.at || (a.at == b.at && a.seq < b.seq); });
  events_.insert(pos, std::move(ev));
}

// Earliest due timer; ties go to the timer created first.
HeadlessLoop::Entry* HeadlessLoop::NextTimer() {
  Entry* best = nullptr;
  if (held_) return best;
  for (Entry& e : timers_) {
    if (e.scheduled && (!best || e.due < best->due)) best = &e;
  }
  return best;
}

// Expiries missed while a handler blocked are merged into one, keeping the timer's phase.
void HeadlessLoop::Fire(Entry& e) {
  int64_t interval = e.timer->Interval();
  int64_t next = e.due + interval;
  if (next <= now_) next = e.due + interval * ((now_ - e.due) / interval + 1);
  e.due = next;
  ++e.fired;
  Timer* t = e.timer;  // the handler may change the timer list's entries
  t->Fire();
}

bool HeadlessLoop::RunDueEvent(bool modal) {
  if (events_.empty() || events_.front().at > now_) return false;
  Event ev = std::move(events_.front());
  events_.erase(events_.begin());
  if (!(modal && ev.kind == EventKind::Input)) ev.run();
  return true;
}

void HeadlessLoop::RunUntil(int64_t end) {
  end_ = end;
  inRun_ = true;
  try {
    while (!ended_) {
      if (RunDueEvent(false)) continue;
      Entry* t = NextTimer();
      int64_t nextEvent = events_.empty() ? kNever : events_.front().at;
      int64_t nextTimer = t ? t->due : kNever;
      int64_t next = std::min(nextEvent, nextTimer);
      if (next > end) {
        now_ = std::max(now_, end);
        break;
      }
      now_ = std::max(now_, next);
      if (nextEvent <= now_) continue;
      Fire(*t);
    }
  } catch (const RunEnded&) {
  }
  inRun_ = false;
}

void HeadlessLoop::ModalRunUntil(int64_t limit) {
  ++modalDepth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{modalDepth_};
  while (!ended_) {
    if (RunDueEvent(true)) continue;
    Entry* t = NextTimer();
    int64_t nextEvent = events_.empty() ? kNever : events_.front().at;
    int64_t next = std::min(nextEvent, t ? t->due : kNever);
    int64_t stop = std::min(limit, end_);
    if (next > stop) {
      now_ = std::max(now_, stop);
      if (limit > end_) throw RunEnded{};
      return;
    }
    now_ = std::max(now_, next);
    if (nextEvent <= now_) continue;
    Fire(*t);
  }
}

}  // namespace kv
