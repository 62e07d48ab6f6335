// Clocks and the median for benchmarks whose cases take turns: on a shared machine the load
// drifts over seconds, so cases measured one after another would each see a different machine,
// while passes a few milliseconds apart see the same one. A ratio is then the median of the
// rounds' ratios (each round's passes against each other).
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

namespace benchdata {

inline double clock_seconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
inline double thread_cpu_seconds() { return clock_seconds(CLOCK_THREAD_CPUTIME_ID); }
inline double process_cpu_seconds() { return clock_seconds(CLOCK_PROCESS_CPUTIME_ID); }
inline double wall_seconds() { return clock_seconds(CLOCK_MONOTONIC); }

// Of a non-empty list.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace benchdata
