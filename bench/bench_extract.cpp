// What writing the files costs: `vexacab extract` into a RAM disk (/dev/shm, or the temporary
// folder where there is none) against `vexacab test`, which decodes the same cabinet and
// discards the bytes. Both run in-process through the commands' own code, one 16 MiB file
// packed with MSZIP; each extraction goes to a new folder, removed outside the timing.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands.h"
#include "mszip_blocks.h"
#include "ratio_reporter.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch_root() {
  fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  return base / ("bench_extract." + std::to_string(getpid()));
}

// The commands report on standard output; the benchmark's own table goes there too.
class QuietStdout {
 public:
  QuietStdout() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

// A cabinet holding `content` as one file, made once per kind.
std::string cabinet_of(const char* kind, const std::vector<uint8_t>& content) {
  fs::path dir = scratch_root() / kind;
  fs::path cabinet = dir / "packed.cab";
  if (fs::exists(cabinet)) return cabinet.string();
  fs::create_directories(dir / "source");
  std::ofstream(dir / "source" / "content.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
  vexacab::CreateOptions options;
  options.output = cabinet.string();
  options.paths = {(dir / "source" / "content.bin").string()};
  QuietStdout quiet;
  if (vexacab::create_cabinet(options) != 0) return {};
  return cabinet.string();
}

void run_test(benchmark::State& state, const char* kind, const std::vector<uint8_t>& content) {
  std::string cabinet = cabinet_of(kind, content);
  QuietStdout quiet;
  for (auto _ : state)
    if (vexacab::test_set(cabinet) != 0) state.SkipWithError("vexacab test failed");
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
}

void run_extract(benchmark::State& state, const char* kind, const std::vector<uint8_t>& content) {
  vexacab::ExtractOptions options;
  options.cabinet = cabinet_of(kind, content);
  fs::path into = scratch_root() / kind / "extracted";
  QuietStdout quiet;
  for (auto _ : state) {
    options.directory = into.string();
    if (vexacab::extract_set(options) != 0) state.SkipWithError("vexacab extract failed");
    state.PauseTiming();
    fs::remove_all(into);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
}

void BM_text_test(benchmark::State& s) { run_test(s, "text", benchdata::text_content()); }
void BM_text_extract(benchmark::State& s) { run_extract(s, "text", benchdata::text_content()); }
void BM_binary_test(benchmark::State& s) { run_test(s, "binary", benchdata::binary_content()); }
void BM_binary_extract(benchmark::State& s) { run_extract(s, "binary", benchdata::binary_content()); }

}  // namespace

BENCHMARK(BM_text_test)->Name("extract_text/test")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_text_extract)->Name("extract_text/extract")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_test)->Name("extract_binary/test")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_extract)->Name("extract_binary/extract")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

// The ratio column is extraction's speed over the test's: 0.8 is extraction taking 1.25 times
// as long. The scratch folder goes when the run is over.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter({"test"});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(scratch_root(), ignored);
  return 0;
}
