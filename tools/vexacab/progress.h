// A progress line on standard error: "vexacab: extracting  42% (11.0 of 26.2 MiB)". It appears
// only when standard error is a terminal and the work has lasted more than a second, is
// redrawn at most ten times a second, and is wiped when the work ends, so that quick runs and
// redirected output never see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace vexacab {

class Progress {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `out` null: nothing is ever shown. The clock is replaceable for tests.
  Progress(std::string verb, uint64_t total, std::FILE* out, Clock clock = std::chrono::steady_clock::now);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void set_total(uint64_t total) { total_ = total; }
  void advance(uint64_t done);
  // Wipes the line if one was drawn.
  void finish();

 private:
  void draw();

  std::string verb_;
  uint64_t total_, done_ = 0;
  std::FILE* out_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_, last_draw_;
  bool drawn_ = false;
};

// Standard error when it is a terminal, else null: what Progress wants as `out`.
std::FILE* progress_terminal();

}  // namespace vexacab
