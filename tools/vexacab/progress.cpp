#include "progress.h"

#include <unistd.h>

namespace vexacab {

namespace {

constexpr auto QUIET_START = std::chrono::seconds(1);
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);

}  // namespace

Progress::Progress(std::string verb, uint64_t total, std::FILE* out, Clock clock)
    : verb_(std::move(verb)), total_(total), out_(out), clock_(std::move(clock)) {
  if (out_) start_ = clock_();
}

Progress::~Progress() { finish(); }

void Progress::advance(uint64_t done) {
  done_ += done;
  if (!out_) return;
  auto now = clock_();
  if (now - start_ < QUIET_START) return;
  if (drawn_ && now - last_draw_ < REDRAW_INTERVAL) return;
  last_draw_ = now;
  draw();
}

void Progress::draw() {
  uint64_t shown = total_ && done_ > total_ ? total_ : done_;
  unsigned percent = total_ ? unsigned(shown * 100 / total_) : 0;
  std::fprintf(out_, "\r\033[Kvexacab: %s %3u%% (%.1f of %.1f MiB)", verb_.c_str(), percent,
               double(shown) / 1048576.0, double(total_) / 1048576.0);
  std::fflush(out_);
  drawn_ = true;
}

void Progress::finish() {
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

std::FILE* progress_terminal() { return ::isatty(STDERR_FILENO) ? stderr : nullptr; }

}  // namespace vexacab
