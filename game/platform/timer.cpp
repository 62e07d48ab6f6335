#include "game/platform/timer.h"

namespace kv {

Timer::Timer(TimerScheduler& scheduler, std::string name, int32_t interval, bool enabled)
    : scheduler_(scheduler), name_(std::move(name)), interval_(interval < 0 ? 0 : interval), enabled_(enabled) {
  scheduler_.Attach(*this);
}

Timer::~Timer() { scheduler_.Detach(*this); }

void Timer::SetInterval(int32_t ms) {
  interval_ = ms < 0 ? 0 : ms;
  scheduler_.Restart(*this);
}

void Timer::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  scheduler_.Restart(*this);
}

void Timer::Fire() {
  if (handler_) handler_();
}

}  // namespace kv
