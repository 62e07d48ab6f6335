// Timing for benchmarks whose contenders take turns on the same input, round after round:
// each pass in the thread's CPU time, and the median that stands for the rounds.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <vector>

inline double clock_seconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
inline double thread_cpu_seconds() { return clock_seconds(CLOCK_THREAD_CPUTIME_ID); }
// For passes that use more than one thread: the whole process's, and the clock on the wall.
inline double process_cpu_seconds() { return clock_seconds(CLOCK_PROCESS_CPUTIME_ID); }
inline double wall_seconds() { return clock_seconds(CLOCK_MONOTONIC); }

// The middle value (the mean of the two middle ones for an even count); `values` not empty.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A main that runs the rounds, then prints the table they filled (`print_table()`).
#define TURN_BENCHMARK_MAIN(print_table)  \
  int main(int argc, char** argv) {       \
    benchmark::Initialize(&argc, argv);   \
    benchmark::RunSpecifiedBenchmarks();  \
    benchmark::Shutdown();                \
    print_table();                        \
    return 0;                             \
  }
