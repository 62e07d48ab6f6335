// LZX decoding speed against zlib's inflate of the same content as MSZIP blocks ("CK" + raw
// deflate primed with the previous 32 KiB, inflated with the same dictionary). The ratio table
// at the end states each LZX figure against the baseline measured in the same run.
//
// Each case packs its content once; every repetition then decodes it a fixed number of times,
// the repetitions of all cases interleaved in random order, so that a load that comes and goes
// on a shared machine weighs on both sides of a ratio alike. Rates are per CPU second, and the
// table takes the median repetition.
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "installer/cabinet/lzx_decoder.h"
#include "lzx_encoder.h"
#include "mszip_blocks.h"
#include "ratio_reporter.h"

namespace {

constexpr uint32_t WINDOW_BITS = 21;
constexpr int REPETITIONS = 7;
constexpr int DECODES_PER_REPETITION = 3;

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

void run_lzx(benchmark::State& state, const std::vector<uint8_t>& content, const Blocks& blocks) {
  LzxFolderDecoder decoder;
  // Checks the output, and warms the caches as the timed runs find them.
  if (decoder.run(blocks, &content) != content.size()) state.SkipWithError("wrong size");
  size_t bytes = 0;
  for (auto _ : state) bytes += decoder.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["packed"] = double(packed_size(blocks));
}

void run_zlib(benchmark::State& state, const Blocks& blocks) {
  benchdata::ZlibBlockInflater inflater;
  inflater.run(blocks);
  size_t bytes = 0;
  for (auto _ : state) bytes += inflater.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["packed"] = double(packed_size(blocks));
}

void BM_text_lzx(benchmark::State& s) { run_lzx(s, benchdata::text_content(), text_lzx()); }
void BM_text_zlib(benchmark::State& s) { run_zlib(s, text_mszip()); }
void BM_binary_lzx(benchmark::State& s) { run_lzx(s, benchdata::binary_content(), binary_lzx()); }
void BM_binary_zlib(benchmark::State& s) { run_zlib(s, binary_mszip()); }

void register_case(const char* name, void (*fn)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, fn)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(DECODES_PER_REPETITION)
      ->Repetitions(REPETITIONS)
      ->ReportAggregatesOnly(true);
}

}  // namespace

int main(int argc, char** argv) {
  // Interleaved repetitions unless the command line says otherwise (flags given later win).
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave.data());
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  register_case("lzx_text/lzx", BM_text_lzx);
  register_case("lzx_text/zlib", BM_text_zlib);
  register_case("lzx_binary/lzx", BM_binary_lzx);
  register_case("lzx_binary/zlib", BM_binary_zlib);
  RatioReporter reporter({"zlib"});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
