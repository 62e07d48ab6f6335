#include "game/platform/event_trace.h"

namespace kv {

EventTrace::~EventTrace() {
  if (file_) std::fclose(file_);
}

bool EventTrace::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void EventTrace::Line(const std::string& text, bool flush) {
  if (!file_) return;
  std::fputs(text.c_str(), file_);
  std::fputc('\n', file_);
  if (flush) std::fflush(file_);
}

void EventTrace::Timer(const std::string& name) { Line("timer " + name); }

// Input is rare and a watcher waits for it, so its lines reach the file at once; timer lines
// are many and stay buffered until the next flush.
void EventTrace::KeyDown(int16_t code, int16_t shift) {
  Line("keydown " + std::to_string(code) + " " + std::to_string(shift), true);
}

void EventTrace::KeyUp(int16_t code, int16_t shift) {
  Line("keyup " + std::to_string(code) + " " + std::to_string(shift), true);
}

void EventTrace::Menu(const std::string& name) { Line("menu " + name, true); }
void EventTrace::DblClick() { Line("dblclick", true); }
void EventTrace::Pause() { Line("pause", true); }
void EventTrace::DialogBegin() { Line("dialog-begin"); }

void EventTrace::DialogEnd(const std::string& answer) {
  std::string one = answer;
  for (char& c : one)
    if (c == '\n' || c == '\r') c = ' ';
  Line(one.empty() ? "dialog-end" : "dialog-end " + one, true);
}

int EventTrace::Snapshot() {
  ++snapshots_;
  Line("snapshot " + std::to_string(snapshots_), true);
  return snapshots_;
}

}  // namespace kv
