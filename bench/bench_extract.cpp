// What writing the files costs: `vexacab extract` and an unattended install (which also keeps
// the install record: every file's digest) into a RAM disk (/dev/shm, or the temporary folder
// where there is none) against `vexacab test`, which decodes the same cabinet and discards the
// bytes. All run in-process through the programs' own code, one 16 MiB file packed with MSZIP
// or LZX:21; each extraction goes to a new folder, removed outside the timing. The times are
// wall times (what a user waits for; the output writer works on a second thread), the CPU
// column the whole process's.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands.h"
#include "installer/frontend/window.h"
#include "installer/platform/unattended/unattended_ui.h"
#include "mszip_blocks.h"
#include "package_writer.h"
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

// A cabinet holding `content` as one file, made once per kind ("text", "binary", "lzx_text").
std::string cabinet_of(const std::string& kind, const std::vector<uint8_t>& content) {
  fs::path dir = scratch_root() / kind;
  fs::path cabinet = dir / "packed.cab";
  if (fs::exists(cabinet)) return cabinet.string();
  fs::create_directories(dir / "source");
  std::ofstream(dir / "source" / "content.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), std::streamsize(content.size()));
  vexacab::CreateOptions options;
  options.output = cabinet.string();
  options.paths = {(dir / "source" / "content.bin").string()};
  if (kind.starts_with("lzx")) options.type_compress = cabwriter::type_compress_of(3, 21);
  QuietStdout quiet;
  if (vexacab::create_cabinet(options) != 0) return {};
  return cabinet.string();
}

// The cabinet after an empty stub and a settings block, as vexapack makes an installer of it.
std::string package_of(const std::string& kind, const std::vector<uint8_t>& content) {
  fs::path package = scratch_root() / kind / "setup";
  if (fs::exists(package)) return package.string();
  std::ifstream in(cabinet_of(kind, content), std::ios::binary);
  std::vector<uint8_t> cabinet((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  vexapack::PackageSettings settings;
  settings.title = "Bench";
  settings.default_folder = "Bench";
  std::vector<uint8_t> bytes = vexapack::assemble_package({}, settings, cabinet);
  std::ofstream(package, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return package.string();
}

void run_test(benchmark::State& state, const std::string& kind, const std::vector<uint8_t>& content) {
  std::string cabinet = cabinet_of(kind, content);
  QuietStdout quiet;
  for (auto _ : state)
    if (vexacab::test_set(cabinet) != 0) state.SkipWithError("vexacab test failed");
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
}

void run_extract(benchmark::State& state, const std::string& kind, const std::vector<uint8_t>& content) {
  vexacab::ExtractOptions options;
  options.cabinet = cabinet_of(kind, content);
  fs::path into = scratch_root() / kind / "extracted";
  QuietStdout quiet;
  for (auto _ : state) {
    options.directory = into.string();
    if (vexacab::extract_set(options) != 0) {
      state.SkipWithError("vexacab extract failed");
      break;
    }
    state.PauseTiming();
    fs::remove_all(into);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
}

// An install as a user starts it (no options: the package's folder below the current one) or, with `record`, `vexasfx --yes --target DIR --no-launchers`, which
// also keeps the install record and with it every file's digest.
void run_install(benchmark::State& state, const std::string& kind, const std::vector<uint8_t>& content,
                 bool record) {
  std::string package = package_of(kind, content);
  fs::path into = record ? scratch_root() / kind / "installed" : scratch_root() / kind / "Bench";
  fs::current_path(scratch_root() / kind);
  CommandLine line;
  line.given = true;
  line.yes = true;
  line.quiet = true;
  line.target = into.string();
  line.launchers = 0;
  std::FILE* null = std::fopen("/dev/null", "w");
  fs::create_directories(into);  // a missing folder would be a question to answer
  for (auto _ : state) {
    platform::UnattendedUi ui(null, stderr);
    int status = record ? installer_main(ui, utf8_to_utf16(package), line) : installer_main(ui, utf8_to_utf16(package));
    if (status != 0 || !fs::exists(into / "content.bin")) {
      state.SkipWithError(("install failed, status " + std::to_string(status)).c_str());
      break;
    }
    state.PauseTiming();
    fs::current_path(scratch_root() / kind);  // the install went into its folder
    fs::remove_all(into);
    fs::create_directories(into);
    state.ResumeTiming();
  }
  std::fclose(null);
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
}

void run_plain_install(benchmark::State& s, const std::string& kind, const std::vector<uint8_t>& content) {
  run_install(s, kind, content, false);
}

void run_recorded_install(benchmark::State& s, const std::string& kind, const std::vector<uint8_t>& content) {
  run_install(s, kind, content, true);
}

const std::vector<uint8_t>& content_of(const std::string& kind) {
  return kind.ends_with("text") ? benchdata::text_content() : benchdata::binary_content();
}

// Every kind with its three runs; the times are wall times, the CPU the whole process's.
void register_cases() {
  using Runner = void (*)(benchmark::State&, const std::string&, const std::vector<uint8_t>&);
  const std::pair<const char*, Runner> runs[] = {
      {"test", run_test}, {"extract", run_extract}, {"install", run_plain_install}, {"install_record", run_recorded_install}};
  for (const char* kind : {"text", "binary", "lzx_text"})
    for (const auto& [name, runner] : runs)
      benchmark::RegisterBenchmark(("extract_" + std::string(kind) + "/" + name).c_str(),
                                   [kind, runner](benchmark::State& s) { runner(s, kind, content_of(kind)); })
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.5)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true)
          ->UseRealTime()
          ->MeasureProcessCPUTime();
}

}  // namespace

// The ratio column is extraction's speed over the test's: 0.8 is extraction taking 1.25 times
// as long. The scratch folder goes when the run is over.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  register_cases();
  RatioReporter reporter({"test"});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(scratch_root(), ignored);
  return 0;
}
