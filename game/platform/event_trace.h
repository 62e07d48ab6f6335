#pragma once
// A record of every handler the window dispatched, in order, one line each, so that a run of
// the desktop game can be replayed on the headless platform and its screen compared:
//   timer NAME | keydown CODE SHIFT | keyup CODE SHIFT | menu NAME | dblclick | pause
//   dialog-begin | dialog-end [ANSWER] | snapshot N
// The game draws its random numbers in handler order only, so the order is all a replay needs.
#include <cstdint>
#include <cstdio>
#include <string>

namespace kv {

class EventTrace {
 public:
  EventTrace() = default;
  ~EventTrace();
  EventTrace(const EventTrace&) = delete;
  EventTrace& operator=(const EventTrace&) = delete;

  bool Open(const std::string& path);  // false when the file cannot be created
  bool Active() const { return file_ != nullptr; }

  void Timer(const std::string& name);
  void KeyDown(int16_t code, int16_t shift);
  void KeyUp(int16_t code, int16_t shift);
  void Menu(const std::string& name);
  void DblClick();
  void Pause();  // the game paused itself (its window went to the background)
  void DialogBegin();
  void DialogEnd(const std::string& answer);  // the answer on one line; line breaks become blanks
  int Snapshot();  // writes the marker, flushes, returns its number

 private:
  void Line(const std::string& text, bool flush = false);

  std::FILE* file_ = nullptr;
  int snapshots_ = 0;
};

}  // namespace kv
