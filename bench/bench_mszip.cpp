// MSZIP decoding speed: our decoder against zlib's and ISA-L's inflate on the same blocks.
//
// The three decoders take turns on the same blocks, one pass each per round and the order
// rotated every round, each pass timed in the thread's CPU time. On a shared machine the load
// drifts over seconds; decoders measured one after another would each see a different machine,
// while passes a few milliseconds apart see the same one. A ratio is the median of the rounds'
// ratios (each round's passes against each other), a speed the median of the rounds' speeds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "installer/cabinet/mszip_decoder.h"
#include "isal_blocks.h"
#include "mszip_blocks.h"
#include "turn_timing.h"

namespace {

constexpr int ROUNDS = 15;

void* bench_alloc(uint32_t n) { return std::malloc(n); }
void bench_free(void* p) { std::free(p); }

// Our decoder over every block, each into the same output buffer, as the engine drives it.
class OurBlockDecoder {
 public:
  OurBlockDecoder() {
    uint32_t block_size = 32768, capacity = 0;
    if (mszip_create(&block_size, bench_alloc, bench_free, &capacity, &decoder_) != CodecStatus::Ok)
      throw std::runtime_error("mszip_create");
    output_.resize(block_size);
  }
  ~OurBlockDecoder() { mszip_destroy(decoder_); }

  // Appends the decoded bytes to *decoded when given.
  size_t run(const std::vector<cabwriter::CompressedBlock>& blocks, std::vector<uint8_t>* decoded = nullptr) {
    size_t total = 0;
    for (const cabwriter::CompressedBlock& block : blocks) {
      uint32_t produced = uint32_t(output_.size());
      if (mszip_decompress(decoder_, block.bytes.data(), uint32_t(block.bytes.size()), output_.data(),
                           &produced) != CodecStatus::Ok)
        throw std::runtime_error("mszip_decompress");
      if (decoded) decoded->insert(decoded->end(), output_.begin(), output_.begin() + produced);
      total += produced;
    }
    return total;
  }

 private:
  MszipDecoder* decoder_ = nullptr;
  std::vector<uint8_t> output_;
};

struct Summary {
  double ours_rate, zlib_rate, isal_rate;  // bytes per CPU second, medians of the rounds
  double vs_zlib, vs_isal;                 // medians of the rounds' ratios
  double vs_zlib_low, vs_zlib_high;        // the lowest and highest round
};
std::map<std::string, Summary>& summaries() {
  static std::map<std::string, Summary> all;
  return all;
}

// One iteration is one round. The reported time is our pass's; the baselines' are counters.
void run_rounds(benchmark::State& state, const std::string& name, const std::vector<uint8_t>& content) {
  const auto blocks = benchdata::mszip_blocks(content);
  OurBlockDecoder ours;
  benchdata::ZlibBlockInflater zlib;
  benchdata::IsalBlockInflater isal;
  std::vector<uint8_t> decoded;
  if (ours.run(blocks, &decoded) != content.size() || decoded != content) {
    state.SkipWithError("our decoder's bytes differ from the content");
    return;
  }
  // Also the baselines' first pass: every decoder starts warm.
  if (zlib.run(blocks) != content.size() || isal.run(blocks) != content.size()) {
    state.SkipWithError("a baseline decoded the wrong size");
    return;
  }
  const std::array<std::function<size_t()>, 3> passes = {
      [&] { return ours.run(blocks); }, [&] { return zlib.run(blocks); }, [&] { return isal.run(blocks); }};
  std::vector<double> seconds[3];
  int round = 0;
  for (auto _ : state) {
    double taken[3];
    for (int turn = 0; turn < 3; ++turn) {
      const int which = (round + turn) % 3;
      const double start = thread_cpu_seconds();
      const size_t bytes = passes[which]();
      taken[which] = thread_cpu_seconds() - start;
      if (bytes != content.size()) throw std::runtime_error("wrong size");
    }
    for (int which = 0; which < 3; ++which) seconds[which].push_back(taken[which]);
    state.SetIterationTime(taken[0]);
    ++round;
  }
  const double size = double(content.size());
  std::vector<double> vs_zlib, vs_isal;
  for (int r = 0; r < round; ++r) {
    vs_zlib.push_back(seconds[1][r] / seconds[0][r]);
    vs_isal.push_back(seconds[2][r] / seconds[0][r]);
  }
  Summary summary{size / median(seconds[0]), size / median(seconds[1]), size / median(seconds[2]),
                  median(vs_zlib), median(vs_isal),
                  *std::min_element(vs_zlib.begin(), vs_zlib.end()),
                  *std::max_element(vs_zlib.begin(), vs_zlib.end())};
  summaries()[name] = summary;
  state.SetBytesProcessed(int64_t(size) * round);
  state.counters["vs_zlib"] = summary.vs_zlib;
  state.counters["vs_isal"] = summary.vs_isal;
}

void BM_text(benchmark::State& s) { run_rounds(s, "mszip_text", benchdata::text_content()); }
void BM_binary(benchmark::State& s) { run_rounds(s, "mszip_binary", benchdata::binary_content()); }

void print_summaries() {
  std::printf("\n%-16s %10s %10s %8s %10s %8s   %s\n", "case", "MB/s", "zlib", "ratio", "isal", "ratio",
              "zlib ratio, lowest..highest round");
  for (const auto& [name, s] : summaries())
    std::printf("%-16s %10.1f %10.1f %8.2f %10.1f %8.2f   %.2f..%.2f\n", name.c_str(), s.ours_rate / 1e6,
                s.zlib_rate / 1e6, s.vs_zlib, s.isal_rate / 1e6, s.vs_isal, s.vs_zlib_low, s.vs_zlib_high);
  std::printf("(CPU time; medians of %d rounds, the three decoders taking turns in each)\n", ROUNDS);
}

}  // namespace

BENCHMARK(BM_text)->Name("mszip_text/rounds")->Unit(benchmark::kMillisecond)->Iterations(ROUNDS)->UseManualTime();
BENCHMARK(BM_binary)->Name("mszip_binary/rounds")->Unit(benchmark::kMillisecond)->Iterations(ROUNDS)->UseManualTime();

TURN_BENCHMARK_MAIN(print_summaries)
