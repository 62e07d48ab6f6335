// LZX decoding speed against zlib's inflate of the same content as MSZIP blocks ("CK" + raw
// deflate primed with the previous 32 KiB, inflated with the same dictionary).
//
// Each case packs its content once. Then the two decoders take turns on it, one pass each per
// round and the order alternating, each pass timed in the thread's CPU time: passes a few
// milliseconds apart see the same machine, where decoders measured seconds apart would each
// see a different load. A ratio is the median of the rounds' ratios, printed with the lowest
// and highest round; a speed is the median of the rounds' speeds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "installer/cabinet/lzx_decoder.h"
#include "lzx_encoder.h"
#include "mszip_blocks.h"
#include "turn_timing.h"

namespace {

constexpr uint32_t WINDOW_BITS = 21;
constexpr int ROUNDS = 15;

void* bench_alloc(uint32_t n) { return std::malloc(n); }
void bench_free(void* p) { std::free(p); }

using Blocks = std::vector<cabwriter::CompressedBlock>;

Blocks lzx_blocks(const std::vector<uint8_t>& content, bool program) {
  // The packer's default effort, as cabinets are made; a deeper search packs binary content
  // for a minute (its hash chains run long) and changes the decoding speed by a few percent.
  cabwriter::LzxOptions options = cabwriter::lzx_options(WINDOW_BITS, cabwriter::Effort::Normal);
  if (program) options.e8_translation_size = 12000000;
  return cabwriter::encode_lzx(content, options);
}

// Packed once per process: packing costs far more than decoding.
const Blocks& text_lzx() {
  static const Blocks blocks = lzx_blocks(benchdata::text_content(), false);
  return blocks;
}
const Blocks& binary_lzx() {
  static const Blocks blocks = lzx_blocks(benchdata::binary_content(), true);
  return blocks;
}
const Blocks& text_mszip() {
  static const Blocks blocks = benchdata::mszip_blocks(benchdata::text_content());
  return blocks;
}
const Blocks& binary_mszip() {
  static const Blocks blocks = benchdata::mszip_blocks(benchdata::binary_content());
  return blocks;
}

size_t packed_size(const Blocks& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.bytes.size();
  return n;
}

// One folder the way the engine drives it: reset, then one call per block, each block's bytes in
// an input buffer of the capacity the decoder asked for.
class LzxFolderDecoder {
 public:
  LzxFolderDecoder() {
    uint32_t block_size = 32768, capacity = 0;
    LzxConfig config{1u << WINDOW_BITS};
    if (lzx_create(&block_size, &config, bench_alloc, bench_free, &capacity, &decoder_) !=
        CodecStatus::Ok)
      throw std::runtime_error("lzx_create");
    input_.resize(capacity);
    output_.resize(block_size);
  }
  ~LzxFolderDecoder() { lzx_destroy(decoder_); }

  // With `expected`, also compares every block's output with it.
  size_t run(const Blocks& blocks, const std::vector<uint8_t>* expected = nullptr) {
    lzx_reset(decoder_);
    size_t total = 0;
    for (const cabwriter::CompressedBlock& block : blocks) {
      std::memcpy(input_.data(), block.bytes.data(), block.bytes.size());
      uint32_t produced = block.uncompressed_size;
      if (lzx_decompress(decoder_, input_.data(), uint32_t(block.bytes.size()), output_.data(),
                         &produced) != CodecStatus::Ok)
        throw std::runtime_error("lzx_decompress");
      if (expected && std::memcmp(output_.data(), expected->data() + total, produced) != 0)
        throw std::runtime_error("LZX output differs");
      total += produced;
    }
    return total;
  }

 private:
  LzxDecoder* decoder_ = nullptr;
  std::vector<uint8_t> input_, output_;
};

struct Summary {
  double lzx_rate, zlib_rate;          // bytes per CPU second, medians of the rounds
  double ratio, ratio_low, ratio_high;  // LZX's speed over zlib's: median, lowest, highest round
  double size;                          // LZX's packed size over zlib's
};
std::map<std::string, Summary>& summaries() {
  static std::map<std::string, Summary> all;
  return all;
}

// One iteration is one round. The reported time is LZX's pass; zlib's goes into the summary.
void run_rounds(benchmark::State& state, const std::string& name,
                const std::vector<uint8_t>& content, const Blocks& lzx, const Blocks& mszip) {
  LzxFolderDecoder ours;
  benchdata::ZlibBlockInflater zlib;
  // Checks LZX's bytes, and warms both as the timed passes find them.
  if (ours.run(lzx, &content) != content.size() || zlib.run(mszip) != content.size()) {
    state.SkipWithError("wrong size");
    return;
  }
  std::vector<double> lzx_seconds, zlib_seconds, ratios;
  for (auto _ : state) {
    const bool lzx_first = lzx_seconds.size() % 2 == 0;
    double taken[2];
    for (int turn = 0; turn < 2; ++turn) {
      const bool lzx_turn = (turn == 0) == lzx_first;
      const double start = thread_cpu_seconds();
      const size_t bytes = lzx_turn ? ours.run(lzx) : zlib.run(mszip);
      taken[lzx_turn ? 0 : 1] = thread_cpu_seconds() - start;
      if (bytes != content.size()) throw std::runtime_error("wrong size");
    }
    lzx_seconds.push_back(taken[0]);
    zlib_seconds.push_back(taken[1]);
    ratios.push_back(taken[1] / taken[0]);
    state.SetIterationTime(taken[0]);
  }
  const double size = double(content.size());
  summaries()[name] = {size / median(lzx_seconds), size / median(zlib_seconds), median(ratios),
                       *std::min_element(ratios.begin(), ratios.end()),
                       *std::max_element(ratios.begin(), ratios.end()),
                       double(packed_size(lzx)) / double(packed_size(mszip))};
  state.SetBytesProcessed(int64_t(size) * int64_t(lzx_seconds.size()));
  state.counters["packed"] = double(packed_size(lzx));
  state.counters["vs_zlib"] = median(ratios);
}

void BM_text(benchmark::State& s) {
  run_rounds(s, "lzx_text", benchdata::text_content(), text_lzx(), text_mszip());
}
void BM_binary(benchmark::State& s) {
  run_rounds(s, "lzx_binary", benchdata::binary_content(), binary_lzx(), binary_mszip());
}

void print_summaries() {
  std::printf("\n%-12s %10s %10s %8s %7s   %s\n", "case", "MB/s", "zlib", "ratio", "size",
              "ratio, lowest..highest round");
  for (const auto& [name, s] : summaries())
    std::printf("%-12s %10.1f %10.1f %8.2f %7.3f   %.2f..%.2f\n", name.c_str(), s.lzx_rate / 1e6,
                s.zlib_rate / 1e6, s.ratio, s.size, s.ratio_low, s.ratio_high);
  std::printf("(CPU time; medians of %d rounds, LZX and zlib taking turns in each; size: packed "
              "against zlib's)\n", ROUNDS);
}

}  // namespace

BENCHMARK(BM_text)->Name("lzx_text/rounds")->Unit(benchmark::kMillisecond)->Iterations(ROUNDS)->UseManualTime();
BENCHMARK(BM_binary)->Name("lzx_binary/rounds")->Unit(benchmark::kMillisecond)->Iterations(ROUNDS)->UseManualTime();

TURN_BENCHMARK_MAIN(print_summaries)
