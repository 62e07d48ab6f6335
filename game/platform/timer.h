#pragma once
// A timer control. The scheduler (a port) decides when it fires; a change of Interval or
// Enabled reaches the scheduler at once.
#include <cstdint>
#include <functional>
#include <string>

namespace kv {

class Timer;

class TimerScheduler {
 public:
  virtual ~TimerScheduler() = default;
  virtual void Attach(Timer& t) = 0;
  virtual void Detach(Timer& t) = 0;
  // Interval or Enabled changed: the countdown starts again from now.
  virtual void Restart(Timer& t) = 0;
  // While held no timer fires and time stands still for all of them: on release each one
  // has exactly the time left that it had when the hold began.
  virtual void Hold(bool held) = 0;
};

class Timer {
 public:
  Timer(TimerScheduler& scheduler, std::string name, int32_t interval, bool enabled);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& Name() const { return name_; }
  int32_t Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  // A timer runs while it is enabled and its interval is above 0.
  bool Running() const { return enabled_ && interval_ > 0; }
  void SetInterval(int32_t ms);  // restarts the countdown
  void SetEnabled(bool e);       // only a change restarts the countdown
  void OnTimer(std::function<void()> handler) { handler_ = std::move(handler); }
  void Fire();                   // called by the scheduler

 private:
  TimerScheduler& scheduler_;
  std::string name_;
  int32_t interval_;
  bool enabled_;
  std::function<void()> handler_;
};

}  // namespace kv
