#include "game/platform/gtk/glib_loop.h"

#include <glib.h>

namespace kv {

namespace {

// Below GDK's redraw (G_PRIORITY_HIGH_IDLE + 20) and every input source.
constexpr int kTimerPriority = G_PRIORITY_HIGH_IDLE + 30;

struct TimerSource {
  GSource base;
  GlibLoop* loop;
};

gboolean DispatchTimers(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<TimerSource*>(source)->loop->Dispatch();
  return G_SOURCE_CONTINUE;
}

GSourceFuncs kTimerFuncs = {nullptr, nullptr, DispatchTimers, nullptr, nullptr, nullptr};

}  // namespace

GlibLoop::GlibLoop(EventTrace& trace) : trace_(trace) {
  source_ = g_source_new(&kTimerFuncs, sizeof(TimerSource));
  reinterpret_cast<TimerSource*>(source_)->loop = this;
  g_source_set_priority(source_, kTimerPriority);
  g_source_set_can_recurse(source_, TRUE);
  g_source_set_name(source_, "game timers");
  g_source_set_ready_time(source_, -1);
  g_source_attach(source_, nullptr);
}

GlibLoop::~GlibLoop() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

void GlibLoop::Attach(Timer& t) {
  queue_.Attach(t, g_get_monotonic_time());
  Reschedule();
}

void GlibLoop::Detach(Timer& t) {
  queue_.Detach(t);
  Reschedule();
}

void GlibLoop::Restart(Timer& t) {
  queue_.Restart(t, g_get_monotonic_time());
  Reschedule();
}

void GlibLoop::Hold(bool held) {
  queue_.Hold(held, g_get_monotonic_time());
  Reschedule();
}

void GlibLoop::Reschedule() {
  int64_t due = queue_.NextDue();
  g_source_set_ready_time(source_, stopped_ || due == TimerQueue::kNever ? -1 : due);
}

bool GlibLoop::Dispatch() {
  if (stopped_) return false;
  // The trace names the timer before its handler runs, so nested events follow it.
  bool fired = false;
  queue_.FireDue(g_get_monotonic_time(), [&](const Timer& t) {
    trace_.Timer(t.Name());
    Reschedule();
    fired = true;
  });
  if (!fired) Reschedule();
  if (fired && handled_) handled_();
  return fired;
}

void GlibLoop::Sleep(int32_t ms) {
  if (present_) present_();
  if (ms > 0) g_usleep(static_cast<gulong>(ms) * 1000);
}

void GlibLoop::Stop() {
  stopped_ = true;
  Reschedule();
}

}  // namespace kv
