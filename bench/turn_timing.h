// Timing for benchmarks whose contenders take turns on the same input, round after round:
// each pass in the thread's CPU time, and the median that stands for the rounds.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

inline double thread_cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The middle value (the mean of the two middle ones for an even count); `values` not empty.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
