#include "installer/platform/text/progress_line.h"

#include <algorithm>
#include <cstdio>

#include "common/text/printable_name.h"

namespace platform {

namespace {

constexpr int BAR_CELLS = 20;
constexpr double SPEED_AFTER_SECONDS = 0.25;  // before that, a speed would be noise
constexpr size_t NAME_ROOM = 24;             // columns the name keeps before other parts give way

// East Asian wide and full-width ranges: two columns each.
bool is_wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Decodes one UTF-8 sequence at `at` (advancing it); a stray byte counts as one character.
char32_t next_code_point(const std::string& s, size_t& at) {
  unsigned char lead = static_cast<unsigned char>(s[at]);
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (at + size_t(extra) >= s.size() + (extra ? 0 : 1)) extra = 0;
  char32_t c = extra == 0 ? lead : char32_t(lead & (0x3F >> extra));
  for (int i = 1; i <= extra; ++i) c = (c << 6) | (static_cast<unsigned char>(s[at + size_t(i)]) & 0x3F);
  at += size_t(extra) + 1;
  return c;
}

// The end of the text that fits in `columns`, led by "…" when something was cut.
std::string fit_tail(const std::string& text, size_t columns) {
  if (display_columns(text) <= columns) return text;
  if (columns < 2) return {};
  std::string tail = text;
  while (!tail.empty() && display_columns(tail) > columns - 1) {
    size_t at = 0;
    next_code_point(tail, at);
    tail.erase(0, at);
  }
  return "…" + tail;
}

std::string format_duration(double seconds) {
  constexpr double LONGEST = 99 * 3600 + 59 * 60 + 59;  // a crawl shows 99:59:59, not nonsense
  uint64_t s = uint64_t(std::min(seconds, LONGEST) + 0.5);
  char text[32];
  if (s >= 3600) std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", (unsigned long long)(s / 3600),
                               (unsigned long long)(s / 60 % 60), (unsigned long long)(s % 60));
  else std::snprintf(text, sizeof text, "%llu:%02llu", (unsigned long long)(s / 60), (unsigned long long)(s % 60));
  return text;
}

}  // namespace

size_t display_columns(const std::string& utf8) {
  size_t columns = 0;
  for (size_t at = 0; at < utf8.size();) columns += is_wide(next_code_point(utf8, at)) ? 2 : 1;
  return columns;
}

std::string format_bytes(uint64_t bytes) {
  static const char* const UNITS[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = double(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, UNITS[unit]);
  return text;
}

std::string format_progress_line(const TransferView& view, size_t columns) {
  // Parts in the order shown; when the terminal is narrow the least useful give way first
  // (speed, time left, bytes, bar), so that the name keeps some room.
  enum Part { BAR, PERCENT, BYTES, SPEED, LEFT, PART_COUNT };
  std::string parts[PART_COUNT];
  int filled = int(view.percent > 100 ? 100 : view.percent) * BAR_CELLS / 100;
  parts[BAR] = "[" + std::string(size_t(filled), '#') + std::string(size_t(BAR_CELLS - filled), '-') + "]";
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3u%%", view.percent);
  parts[PERCENT] = percent;
  parts[BYTES] = format_bytes(view.done) + (view.total ? " / " + format_bytes(view.total) : std::string());
  bool measured = view.seconds >= SPEED_AFTER_SECONDS && view.done > 0;
  double speed = measured ? double(view.done) / view.seconds : 0;
  parts[SPEED] = measured ? format_bytes(uint64_t(speed)) + "/s" : std::string("--");
  if (view.total) {
    uint64_t left = view.total > view.done ? view.total - view.done : 0;
    parts[LEFT] = (measured ? format_duration(double(left) / speed) : std::string("--:--")) + " left";
  }
  std::string name = printable_name(view.name);  // idempotent: an escaped name stays as it is
  size_t name_room = std::min(display_columns(name), NAME_ROOM);
  auto assemble = [&] {
    std::string line = parts[BAR];
    line += (line.empty() ? "" : " ") + parts[PERCENT];
    for (int p : {BYTES, SPEED, LEFT})
      if (!parts[p].empty()) line += "  " + parts[p];
    return line;
  };
  std::string line = assemble();
  for (int p : {SPEED, LEFT, BYTES, BAR}) {
    if (display_columns(line) + 2 + name_room <= columns) break;
    parts[p].clear();
    line = assemble();
  }
  size_t used = display_columns(line) + 2;
  if (columns > used) line += "  " + fit_tail(name, columns - used);
  return display_columns(line) <= columns ? line : fit_tail(line, columns);
}

}  // namespace platform
