// A console reporter that also prints, for every benchmark named "<case>/<name>", its speed
// against each baseline "<case>/<baseline>" measured in the same run, and its output size
// against the baseline's where both report a "packed" counter.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::vector<std::string> baselines) : baselines_(std::move(baselines)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // With repetitions, the median stands for the case.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      rates_[run.run_name.function_name] = it->second.value;
      auto packed = run.counters.find("packed");
      if (packed != run.counters.end()) sizes_[run.run_name.function_name] = packed->second.value;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-32s %10s", "case", "MB/s");
    const bool sized = !sizes_.empty();
    for (const std::string& b : baselines_)
      std::printf(" %10s %8s%s", b.c_str(), "ratio", sized ? "   size" : "");
    std::printf("\n");
    for (const auto& [name, rate] : rates_) {
      size_t slash = name.rfind('/');
      if (slash == std::string::npos) continue;
      std::string which = name.substr(slash + 1);
      if (std::find(baselines_.begin(), baselines_.end(), which) != baselines_.end()) continue;
      std::printf("%-32s %10.1f", name.c_str(), rate / 1e6);
      for (const std::string& b : baselines_) {
        std::string base_name = name.substr(0, slash + 1) + b;
        auto base = rates_.find(base_name);
        if (base == rates_.end()) {
          std::printf(" %10s %8s%s", "-", "-", sized ? "      -" : "");
          continue;
        }
        std::printf(" %10.1f %8.2f", base->second / 1e6, rate / base->second);
        auto size = sizes_.find(name), base_size = sizes_.find(base_name);
        if (!sized) continue;
        if (size != sizes_.end() && base_size != sizes_.end())
          std::printf(" %6.3f", size->second / base_size->second);
        else
          std::printf(" %6s", "-");
      }
      std::printf("\n");
    }
  }

 private:
  std::vector<std::string> baselines_;
  std::map<std::string, double> rates_;
  std::map<std::string, double> sizes_;
};

// main() for a benchmark binary whose baseline cases end in "/<baseline>".
#define RATIO_BENCHMARK_MAIN(...)                           \
  int main(int argc, char** argv) {                         \
    benchmark::Initialize(&argc, argv);                     \
    RatioReporter reporter({__VA_ARGS__});                  \
    benchmark::RunSpecifiedBenchmarks(&reporter);           \
    benchmark::Shutdown();                                  \
    return 0;                                               \
  }
