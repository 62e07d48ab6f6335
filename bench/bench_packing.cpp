// Packing speed and size: our MSZIP, LZX and Quantum encoders against `gzip -6` and `xz -6` run
// on the same content, and MSZIP also against zlib at level 9 per block (the packer's former
// encoder, the size ours must not exceed). Every figure is processor time, ours the encoding
// thread's and a tool's its whole process's (reading and writing files under the temporary
// folder, as a user runs it, and the shell that starts it: a millisecond or two in the tool's
// favour against nothing). Wall time would let a busy machine decide the ratios: the tools were
// once timed by the clock on the wall and ours by the processor, which flattered ours under load.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "lzx_encoder.h"
#include "mszip_blocks.h"
#include "quantum_encoder.h"
#include "ratio_reporter.h"

namespace {

size_t packed_size(const std::vector<cabwriter::CompressedBlock>& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.bytes.size();
  return n;
}

template <typename Encode>
void run_ours(benchmark::State& state, const std::vector<uint8_t>& content, Encode encode) {
  size_t packed = 0;
  for (auto _ : state) packed = packed_size(encode(content));
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
  state.counters["packed"] = double(packed);
}

// Processor time (user and system) of the children that have ended so far.
double children_cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `command` on the content written to a file, timing the processes it starts.
void run_tool(benchmark::State& state, const std::vector<uint8_t>& content, const char* tool) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("bench_packing." + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path in = dir / "content", out = dir / "content.packed";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(content.data()),
                                            std::streamsize(content.size()));
  std::string command = std::string(tool) + " -c '" + in.string() + "' > '" + out.string() + "'";
  for (auto _ : state) {
    const double start = children_cpu_seconds();
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
    state.SetIterationTime(children_cpu_seconds() - start);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * content.size()));
  state.counters["packed"] = double(fs::file_size(out));
  fs::remove_all(dir);
}

auto mszip = [](const std::vector<uint8_t>& c) { return cabwriter::default_encoder(cabwriter::type_compress_of(1))(c); };
// What vexapack's MSZIP was before it had an encoder of its own: zlib at level 9 per block.
auto zlib9_mszip = [](const std::vector<uint8_t>& c) { return cabtest::zlib_mszip(c, 9); };
auto lzx_default = [](const std::vector<uint8_t>& c) { return cabwriter::default_encoder(cabwriter::type_compress_of(3, 21))(c); };
auto lzx_best = [](const std::vector<uint8_t>& c) {
  return cabwriter::default_encoder(cabwriter::type_compress_of(3, 21), cabwriter::Effort::Max)(c);
};

// The first 16 MiB of a tar of a folder under /usr (empty where the machine has none).
std::vector<uint8_t> usr_tar_head(const char* folder) {
  std::vector<uint8_t> out;
  const std::string command = std::string("tar cf - -C /usr ") + folder + " 2>/dev/null | head -c 16777216";
  FILE* tar = popen(command.c_str(), "r");
  if (!tar) return out;
  uint8_t buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, tar)) > 0;) out.insert(out.end(), buffer, buffer + n);
  pclose(tar);
  return out;
}

// Real text as packers are usually compared on: a tar of /usr/include (the cases fail where
// the machine has none).
const std::vector<uint8_t>& headers_content() {
  static const std::vector<uint8_t> data = usr_tar_head("include");
  return data;
}

// Real programs: a tar of /usr/bin.
const std::vector<uint8_t>& programs_content() {
  static const std::vector<uint8_t> data = usr_tar_head("bin");
  return data;
}

template <typename Run>
void on_headers(benchmark::State& state, Run run) {
  if (headers_content().empty()) state.SkipWithError("no /usr/include to pack");
  else run(state, headers_content());
}
template <typename Run>
void on_programs(benchmark::State& state, Run run) {
  if (programs_content().empty()) state.SkipWithError("no /usr/bin to pack");
  else run(state, programs_content());
}
auto quantum = [](const std::vector<uint8_t>& c) { return cabwriter::default_encoder(cabwriter::type_compress_of(2, 21))(c); };

void BM_text_mszip(benchmark::State& s) { run_ours(s, benchdata::text_content(), mszip); }
void BM_text_zlib9(benchmark::State& s) { run_ours(s, benchdata::text_content(), zlib9_mszip); }
void BM_text_gzip(benchmark::State& s) { run_tool(s, benchdata::text_content(), "gzip -6"); }
void BM_text_lzx(benchmark::State& s) { run_ours(s, benchdata::text_content(), lzx_default); }
void BM_text_lzx_best(benchmark::State& s) { run_ours(s, benchdata::text_content(), lzx_best); }
void BM_text_xz(benchmark::State& s) { run_tool(s, benchdata::text_content(), "xz -6"); }
void BM_text_quantum(benchmark::State& s) { run_ours(s, benchdata::text_content(), quantum); }
void BM_text_quantum_gzip(benchmark::State& s) { run_tool(s, benchdata::text_content(), "gzip -6"); }
void BM_text_quantum_xz(benchmark::State& s) { run_tool(s, benchdata::text_content(), "xz -6"); }
void BM_headers_quantum(benchmark::State& s) { on_headers(s, [](auto& st, auto& c) { run_ours(st, c, quantum); }); }
void BM_headers_quantum_gzip(benchmark::State& s) { on_headers(s, [](auto& st, auto& c) { run_tool(st, c, "gzip -6"); }); }
void BM_headers_lzx(benchmark::State& s) { on_headers(s, [](auto& st, auto& c) { run_ours(st, c, lzx_default); }); }
void BM_headers_lzx_best(benchmark::State& s) { on_headers(s, [](auto& st, auto& c) { run_ours(st, c, lzx_best); }); }
void BM_headers_xz(benchmark::State& s) { on_headers(s, [](auto& st, auto& c) { run_tool(st, c, "xz -6"); }); }
void BM_binary_mszip(benchmark::State& s) { run_ours(s, benchdata::binary_content(), mszip); }
void BM_binary_zlib9(benchmark::State& s) { run_ours(s, benchdata::binary_content(), zlib9_mszip); }
void BM_binary_gzip(benchmark::State& s) { run_tool(s, benchdata::binary_content(), "gzip -6"); }
void BM_programs_mszip(benchmark::State& s) { on_programs(s, [](auto& st, auto& c) { run_ours(st, c, mszip); }); }
void BM_programs_zlib9(benchmark::State& s) { on_programs(s, [](auto& st, auto& c) { run_ours(st, c, zlib9_mszip); }); }
void BM_programs_gzip(benchmark::State& s) { on_programs(s, [](auto& st, auto& c) { run_tool(st, c, "gzip -6"); }); }
void BM_binary_lzx(benchmark::State& s) { run_ours(s, benchdata::binary_content(), lzx_default); }
void BM_binary_lzx_best(benchmark::State& s) { run_ours(s, benchdata::binary_content(), lzx_best); }
void BM_binary_xz(benchmark::State& s) { run_tool(s, benchdata::binary_content(), "xz -6"); }
void BM_binary_quantum(benchmark::State& s) { run_ours(s, benchdata::binary_content(), quantum); }
void BM_binary_quantum_gzip(benchmark::State& s) { run_tool(s, benchdata::binary_content(), "gzip -6"); }
void BM_binary_quantum_xz(benchmark::State& s) { run_tool(s, benchdata::binary_content(), "xz -6"); }

}  // namespace

#define PACKING(fn, name) BENCHMARK(fn)->Name(name)->Unit(benchmark::kMillisecond)->Iterations(3)
#define TOOL(fn, name) PACKING(fn, name)->UseManualTime()

PACKING(BM_text_mszip, "pack_mszip_text/ours");
TOOL(BM_text_gzip, "pack_mszip_text/gzip-6");
PACKING(BM_text_zlib9, "pack_mszip_text/zlib-9");
PACKING(BM_binary_mszip, "pack_mszip_binary/ours");
TOOL(BM_binary_gzip, "pack_mszip_binary/gzip-6");
PACKING(BM_binary_zlib9, "pack_mszip_binary/zlib-9");
PACKING(BM_programs_mszip, "pack_mszip_programs/ours");
TOOL(BM_programs_gzip, "pack_mszip_programs/gzip-6");
PACKING(BM_programs_zlib9, "pack_mszip_programs/zlib-9");
PACKING(BM_text_lzx, "pack_lzx21_text/ours");
PACKING(BM_text_lzx_best, "pack_lzx21_text/ours-best");
TOOL(BM_text_xz, "pack_lzx21_text/xz-6");
PACKING(BM_binary_lzx, "pack_lzx21_binary/ours");
PACKING(BM_binary_lzx_best, "pack_lzx21_binary/ours-best");
TOOL(BM_binary_xz, "pack_lzx21_binary/xz-6");
PACKING(BM_headers_lzx, "pack_lzx21_headers/ours")->Iterations(1);
PACKING(BM_headers_lzx_best, "pack_lzx21_headers/ours-best")->Iterations(1);
TOOL(BM_headers_xz, "pack_lzx21_headers/xz-6")->Iterations(1);
// Quantum packs at a few MB/s: one run each, against the tools on the same content.
PACKING(BM_text_quantum, "pack_quantum21_text/ours")->Iterations(1);
TOOL(BM_text_quantum_gzip, "pack_quantum21_text/gzip-6");
TOOL(BM_text_quantum_xz, "pack_quantum21_text/xz-6")->Iterations(1);
PACKING(BM_binary_quantum, "pack_quantum21_binary/ours")->Iterations(1);
TOOL(BM_binary_quantum_gzip, "pack_quantum21_binary/gzip-6");
TOOL(BM_binary_quantum_xz, "pack_quantum21_binary/xz-6")->Iterations(1);
PACKING(BM_headers_quantum, "pack_quantum21_headers/ours")->Iterations(1);
TOOL(BM_headers_quantum_gzip, "pack_quantum21_headers/gzip-6")->Iterations(1);
TOOL(BM_headers_xz, "pack_quantum21_headers/xz-6")->Iterations(1);

RATIO_BENCHMARK_MAIN("gzip-6", "zlib-9", "xz-6")
