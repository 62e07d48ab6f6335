// A progress line on standard error: "vexacab: extracting  42% (11.0 of 26.2 MiB)". It appears
// only when standard error is a terminal and the work has lasted more than a second, is
// redrawn at most ten times a second, and is wiped when the work ends, so that quick runs and
// redirected output never see it. While one long step runs without reporting (a large folder
// being compressed), a heartbeat thread keeps the line alive with the seconds elapsed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vexacab {

class Progress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `out` null: nothing is ever shown and no thread runs. The clock is replaceable and the
  // heartbeat can be left out, for tests.
  Progress(std::string verb, uint64_t total, std::FILE* out,
           Clock clock = std::chrono::steady_clock::now, bool heartbeat = true);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void advance(uint64_t done);
  // The next step of the same work: the line goes on under a new verb, counting from 0.
  void phase(std::string verb, uint64_t total);
  // Stops the heartbeat and wipes the line if one was drawn.
  void finish();

 private:
  void draw_if_due(bool on_heartbeat);  // with mutex_ held
  void beat();

  std::string verb_;
  uint64_t total_, done_ = 0;
  std::FILE* out_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_, last_draw_, last_advance_;
  bool drawn_ = false;
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread heartbeat_;
};

// Standard error when it is a terminal, else null: what Progress wants as `out`.
std::FILE* progress_terminal();

}  // namespace vexacab
