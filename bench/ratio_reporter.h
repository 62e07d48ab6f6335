// A console reporter that also prints, for every benchmark named "<case>/<baseline>", the ratio
// of each other "<case>/<name>" to it, so every run states its figures against the baseline
// measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string baseline) : baseline_(std::move(baseline)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      rates_[run.run_name.function_name] = it->second.value;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-40s %12s %12s %8s\n", "case", "MB/s", baseline_.c_str(), "ratio");
    for (const auto& [name, rate] : rates_) {
      size_t slash = name.rfind('/');
      if (slash == std::string::npos) continue;
      std::string which = name.substr(slash + 1);
      if (which == baseline_) continue;
      auto base = rates_.find(name.substr(0, slash + 1) + baseline_);
      if (base == rates_.end()) continue;
      std::printf("%-40s %12.1f %12.1f %8.2f\n", name.c_str(), rate / 1e6, base->second / 1e6,
                  rate / base->second);
    }
  }

 private:
  std::string baseline_;
  std::map<std::string, double> rates_;
};

// main() for a benchmark binary whose baseline cases end in "/<baseline>".
#define RATIO_BENCHMARK_MAIN(baseline)                      \
  int main(int argc, char** argv) {                         \
    benchmark::Initialize(&argc, argv);                     \
    RatioReporter reporter(baseline);                       \
    benchmark::RunSpecifiedBenchmarks(&reporter);           \
    benchmark::Shutdown();                                  \
    return 0;                                               \
  }
