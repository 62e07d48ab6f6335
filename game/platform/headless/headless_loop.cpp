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

void HeadlessLoop::Attach(Timer& t) { timers_.Attach(t, now_); }
void HeadlessLoop::Detach(Timer& t) { timers_.Detach(t); }
void HeadlessLoop::Restart(Timer& t) { timers_.Restart(t, now_); }

void HeadlessLoop::Post(int64_t at, std::function<void()> event, EventKind kind) {
  Event ev{at, seq_++, std::move(event), kind};
  auto pos = std::upper_bound(events_.begin(), events_.end(), ev,
                              [](const Event& a, const Event& b) { return a.at < b.at || (a.at == b.at && a.seq < b.seq); });
  events_.insert(pos, std::move(ev));
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
      int64_t nextEvent = events_.empty() ? kNever : events_.front().at;
      int64_t next = std::min(nextEvent, timers_.NextDue());
      if (next > end) {
        now_ = std::max(now_, end);
        break;
      }
      now_ = std::max(now_, next);
      if (nextEvent <= now_) continue;
      timers_.FireDue(now_);
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
    int64_t nextEvent = events_.empty() ? kNever : events_.front().at;
    int64_t next = std::min(nextEvent, timers_.NextDue());
    int64_t stop = std::min(limit, end_);
    if (next > stop) {
      now_ = std::max(now_, stop);
      if (limit > end_) throw RunEnded{};
      return;
    }
    now_ = std::max(now_, next);
    if (nextEvent <= now_) continue;
    timers_.FireDue(now_);
  }
}

}  // namespace kv
