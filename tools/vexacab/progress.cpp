#include "progress.h"

#include <unistd.h>

namespace vexacab {

namespace {

constexpr auto QUIET_START = std::chrono::seconds(1);
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(100);
constexpr auto HEARTBEAT_INTERVAL = std::chrono::milliseconds(500);

}  // namespace

Progress::Progress(std::string verb, uint64_t total, std::FILE* out, Clock clock, bool heartbeat)
    : verb_(std::move(verb)), total_(total), out_(out), clock_(std::move(clock)) {
  if (!out_) return;
  start_ = last_advance_ = clock_();
  if (heartbeat) heartbeat_ = std::thread([this] { beat(); });
}

Progress::~Progress() { finish(); }

void Progress::advance(uint64_t done) {
  if (!out_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  done_ += done;
  last_advance_ = clock_();
  draw_if_due(false);
}

void Progress::phase(std::string verb, uint64_t total) {
  if (!out_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  verb_ = std::move(verb);
  total_ = total;
  done_ = 0;
  last_advance_ = clock_();
  last_draw_ = {};  // drawn at once, when a line is up
  draw_if_due(false);
}

void Progress::beat() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, HEARTBEAT_INTERVAL);
    if (!stopping_) draw_if_due(true);
  }
}

void Progress::draw_if_due(bool on_heartbeat) {
  auto now = clock_();
  if (now - start_ < QUIET_START) return;
  if (drawn_ && now - last_draw_ < REDRAW_INTERVAL) return;
  last_draw_ = now;
  uint64_t shown = total_ && done_ > total_ ? total_ : done_;
  unsigned percent = total_ ? unsigned(shown * 100 / total_) : 0;
  std::fprintf(out_, "\r\033[Kvexacab: %s %3u%% (%.1f of %.1f MiB)", verb_.c_str(), percent,
               double(shown) / 1048576.0, double(total_) / 1048576.0);
  // A step that has run for a while without news shows that it is still running.
  auto quiet = std::chrono::duration_cast<std::chrono::seconds>(now - last_advance_).count();
  if (on_heartbeat && quiet >= 1) std::fprintf(out_, ", working %llds", (long long)quiet);
  std::fflush(out_);
  drawn_ = true;
}

void Progress::finish() {
  if (!out_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (heartbeat_.joinable()) heartbeat_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!drawn_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

std::FILE* progress_terminal() { return ::isatty(STDERR_FILENO) ? stderr : nullptr; }

}  // namespace vexacab
