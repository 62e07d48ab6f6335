// What writing the files costs: `vexacab extract` and an unattended install (plain, and one
// that also keeps the install record: every file's digest) into a RAM disk (/dev/shm, or the
// temporary folder where there is none) against `vexacab test`, which decodes the same cabinet
// and discards the bytes. All run in-process through the programs' own code, one 16 MiB file
// packed with MSZIP or LZX:21, or the text as 64 files of 256 KiB; each extraction goes to a new
// folder, removed outside the timing.
//
// The four take turns, the order rotated every round, so that a load that comes and goes on a
// shared machine weighs on both sides of a ratio alike. The times are wall times (what
// a user waits for: the output writer works on a second thread), the CPU the whole process's;
// a ratio is the median of the rounds' test time over the pass's time, so 0.8 is a pass taking
// 1.25 times as long as the test.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "commands.h"
#include "installer/frontend/window.h"
#include "installer/platform/unattended/unattended_ui.h"
#include "mszip_blocks.h"
#include "package_writer.h"
#include "turn_timing.h"

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

// Real packages hold many files: the "files" kinds split the content into pieces of this size.
constexpr size_t PIECE_SIZE = 256 * 1024;

// The names the content is stored under.
std::vector<std::string> file_names(const std::string& kind, size_t content_size) {
  if (!kind.starts_with("files")) return {"content.bin"};
  std::vector<std::string> names;
  for (size_t at = 0; at < content_size; at += PIECE_SIZE) names.push_back("part" + std::to_string(names.size()) + ".bin");
  return names;
}

// A cabinet holding `content`, made once per kind ("text", "binary", "lzx_text", "files_text").
std::string cabinet_of(const std::string& kind, const std::vector<uint8_t>& content) {
  fs::path dir = scratch_root() / kind;
  fs::path cabinet = dir / "packed.cab";
  if (fs::exists(cabinet)) return cabinet.string();
  fs::create_directories(dir / "source");
  vexacab::CreateOptions options;
  options.output = cabinet.string();
  const std::vector<std::string> names = file_names(kind, content.size());
  const size_t piece = names.size() == 1 ? content.size() : PIECE_SIZE;
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t at = i * piece, size = std::min(piece, content.size() - at);
    std::ofstream(dir / "source" / names[i], std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data() + at), std::streamsize(size));
    options.paths.push_back((dir / "source" / names[i]).string());
  }
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

constexpr int ROUNDS = 15;

// One way of taking the cabinet apart: a timed pass, then the untimed removal of what it made.
struct Pass {
  const char* name;
  std::function<bool()> run;
  std::function<void()> clean;
};

std::array<Pass, 4> passes_of(const std::string& kind, const std::vector<uint8_t>& content) {
  const std::string cabinet = cabinet_of(kind, content);
  const std::string package = package_of(kind, content);
  const fs::path root = scratch_root() / kind;
  auto extract = [cabinet, into = root / "extracted"] {
    vexacab::ExtractOptions options;
    options.cabinet = cabinet;
    options.directory = into.string();
    return vexacab::extract_set(options) == 0;
  };
  // As a user starts it (no options: the package's folder below the current one) or, with
  // `record`, `vexasfx --yes --target DIR --no-launchers`, which keeps the install record.
  const std::string last_file = file_names(kind, content.size()).back();
  auto install = [package, root, last_file](bool record) {
    const fs::path into = root / (record ? "installed" : "Bench");
    fs::current_path(root);
    fs::create_directories(into);  // a missing folder would be a question to answer
    CommandLine line;
    line.given = line.yes = line.quiet = true;
    line.target = into.string();
    line.launchers = 0;
    std::FILE* null = std::fopen("/dev/null", "w");
    platform::UnattendedUi ui(null, stderr);
    const int status = record ? installer_main(ui, utf8_to_utf16(package), line)
                              : installer_main(ui, utf8_to_utf16(package));
    std::fclose(null);
    return status == 0 && fs::exists(into / last_file);
  };
  auto removal = [root](const char* folder) {
    return [root, folder] {
      fs::current_path(root);  // an install ends in its folder
      fs::remove_all(root / folder);
    };
  };
  return {{{"test", [cabinet] { return vexacab::test_set(cabinet) == 0; }, [] {}},
           {"extract", extract, removal("extracted")},
           {"install", [install] { return install(false); }, removal("Bench")},
           {"install_record", [install] { return install(true); }, removal("installed")}}};
}

struct Summary {
  double rate, cpu_ms;            // bytes per wall second and CPU per pass, medians of the rounds
  double ratio, low, high;        // the test's wall time over the pass's: median, lowest, highest
};
std::map<std::string, Summary>& summaries() {
  static std::map<std::string, Summary> all;
  return all;
}

// One iteration is one round. The reported time is extraction's; the others' go to the table.
void run_rounds(benchmark::State& state, const std::string& kind) {
  const std::vector<uint8_t>& content = kind.ends_with("text") ? benchdata::text_content() : benchdata::binary_content();
  std::array<Pass, 4> passes = passes_of(kind, content);
  QuietStdout quiet;
  std::vector<double> wall[4], cpu[4];
  int round = 0;
  for (auto _ : state) {
    for (size_t turn = 0; turn < passes.size(); ++turn) {
      const size_t which = (round + turn) % passes.size();
      const double wall_start = wall_seconds(), cpu_start = process_cpu_seconds();
      const bool ok = passes[which].run();
      wall[which].push_back(wall_seconds() - wall_start);
      cpu[which].push_back(process_cpu_seconds() - cpu_start);
      passes[which].clean();
      if (!ok) {
        state.SkipWithError((std::string(passes[which].name) + " failed").c_str());
        return;
      }
    }
    state.SetIterationTime(wall[1].back());
    ++round;
  }
  const double size = double(content.size());
  for (size_t which = 0; which < passes.size(); ++which) {
    std::vector<double> ratios;
    for (int r = 0; r < round; ++r) ratios.push_back(wall[0][r] / wall[which][r]);
    summaries()[kind + "/" + passes[which].name] = {
        size / median(wall[which]), median(cpu[which]) * 1e3, median(ratios),
        *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end())};
  }
  state.SetBytesProcessed(int64_t(size) * round);
}

void print_summaries() {
  std::printf("\n%-24s %10s %8s %8s   %s\n", "case", "MB/s", "CPU ms", "ratio", "lowest..highest round");
  for (const auto& [name, s] : summaries())
    std::printf("%-24s %10.1f %8.1f %8.2f   %.2f..%.2f\n", name.c_str(), s.rate / 1e6, s.cpu_ms, s.ratio, s.low, s.high);
  std::printf("(wall time; ratio = test's time over the pass's, medians of %d rounds taking turns)\n", ROUNDS);
}

}  // namespace

// The scratch folder goes when the run is over.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const char* kind : {"text", "binary", "lzx_text", "files_text"})
    benchmark::RegisterBenchmark((std::string("extract_") + kind + "/rounds").c_str(),
                                 [kind](benchmark::State& s) { run_rounds(s, kind); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(ROUNDS)
        ->UseManualTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  print_summaries();
  std::error_code ignored;
  fs::remove_all(scratch_root(), ignored);
  return 0;
}
