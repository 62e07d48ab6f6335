#pragma once
// The game's timers on the GLib main loop, and Sleep. One source holds the timer queue and
// fires one timer per dispatch, below input and redrawing in priority, as timer messages
// come after input and painting. The source may recurse, so timers keep firing inside the
// loop of a modal box, a running handler's own timer included.
#include <cstdint>
#include <functional>

#include "game/platform/event_trace.h"
#include "game/platform/ports.h"
#include "game/platform/timer_queue.h"

typedef struct _GSource GSource;

namespace kv {

class GlibLoop : public TimerScheduler, public Sleeper {
 public:
  explicit GlibLoop(EventTrace& trace);
  ~GlibLoop() override;
  GlibLoop(const GlibLoop&) = delete;
  GlibLoop& operator=(const GlibLoop&) = delete;

  void Attach(Timer& t) override;
  void Detach(Timer& t) override;
  void Restart(Timer& t) override;
  void Hold(bool held) override;

  // Puts the current picture on the screen, then blocks the whole game.
  void Sleep(int32_t ms) override;
  void OnPresent(std::function<void()> present) { present_ = std::move(present); }

  // After the form unloads no timer fires again.
  void Stop();
  // Called after every handler the loop dispatched (the window redraws what changed).
  void OnHandled(std::function<void()> handled) { handled_ = std::move(handled); }

  bool Dispatch();  // fires the timer that is due, if any

 private:
  void Reschedule();

  EventTrace& trace_;
  TimerQueue queue_{1000};  // GLib's monotonic clock counts microseconds
  GSource* source_ = nullptr;
  bool stopped_ = false;
  std::function<void()> present_;
  std::function<void()> handled_;
};

}  // namespace kv
