#include "game/platform/event_trace.h"

namespace kv {

EventTrace::~EventTrace() {
  if (file_) std::fclose(file_);
}

bool EventTrace::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void EventTrace::Line(const std::string& text) {
  if (!file_) return;
  std::fputs(text.c_str(), file_);
  std::fputc('\n', file_);
}

void EventTrace::Timer(const std::string& name) { Line("timer " + name); }

void EventTrace::KeyDown(int16_t code, int16_t shift) {
  Line("keydown " + std::to_string(code) + " " + std::to_string(shift));
}

void EventTrace::KeyUp(int16_t code, int16_t shift) {
  Line("keyup " + std::to_string(code) + " " + std::to_string(shift));
}

void EventTrace::Menu(const std::string& name) { Line("menu " + name); }
void EventTrace::DblClick() { Line("dblclick"); }
void EventTrace::DialogBegin() { Line("dialog-begin"); }

void EventTrace::DialogEnd(const std::string& answer) {
  std::string one = answer;
  for (char& c : one)
    if (c == '\n' || c == '\r') c = ' ';
  Line(one.empty() ? "dialog-end" : "dialog-end " + one);
  if (file_) std::fflush(file_);
}

int EventTrace::Snapshot() {
  ++snapshots_;
  Line("snapshot " + std::to_string(snapshots_));
  if (file_) std::fflush(file_);
  return snapshots_;
}

}  // namespace kv
