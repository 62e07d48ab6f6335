// LZX decoding speed against zlib's inflate of the same content as MSZIP blocks ("CK" + raw
// deflate primed with the previous 32 KiB, inflated with the same dictionary). The ratio table
// at the end states each LZX figure against the baseline measured in the same run.
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "installer/cabinet/lzx_decoder.h"
#include "lzx_encoder.h"
#include "mszip_blocks.h"
#include "ratio_reporter.h"

namespace {

constexpr uint32_t WINDOW_BITS = 21;

void* bench_alloc(uint32_t n) { return std::malloc(n); }
void bench_free(void* p) { std::free(p); }

std::vector<cabwriter::CompressedBlock> lzx_blocks(const std::vector<uint8_t>& content, bool program) {
  cabwriter::LzxOptions options;
  options.window_bits = WINDOW_BITS;
  options.max_chain = 256;  // closer to zlib's effort on the other side
  if (program) options.e8_translation_size = 12000000;
  return cabwriter::encode_lzx(content, options);
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
  size_t run(const std::vector<cabwriter::CompressedBlock>& blocks,
             const std::vector<uint8_t>* expected = nullptr) {
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

void run_lzx(benchmark::State& state, const std::vector<uint8_t>& content, bool program) {
  auto blocks = lzx_blocks(content, program);
  LzxFolderDecoder decoder;
  if (decoder.run(blocks, &content) != content.size()) state.SkipWithError("wrong size");
  size_t compressed = 0;
  for (const auto& b : blocks) compressed += b.bytes.size();
  size_t bytes = 0;
  for (auto _ : state) bytes += decoder.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["compressed"] = double(compressed);
}

void run_zlib(benchmark::State& state, const std::vector<uint8_t>& content) {
  auto blocks = benchdata::mszip_blocks(content);
  size_t compressed = 0;
  for (const auto& b : blocks) compressed += b.bytes.size();
  benchdata::ZlibBlockInflater inflater;
  size_t bytes = 0;
  for (auto _ : state) bytes += inflater.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["compressed"] = double(compressed);
}

void BM_text_lzx(benchmark::State& s) { run_lzx(s, benchdata::text_content(), false); }
void BM_text_zlib(benchmark::State& s) { run_zlib(s, benchdata::text_content()); }
void BM_binary_lzx(benchmark::State& s) { run_lzx(s, benchdata::binary_content(), true); }
void BM_binary_zlib(benchmark::State& s) { run_zlib(s, benchdata::binary_content()); }

}  // namespace

BENCHMARK(BM_text_lzx)->Name("lzx_text/lzx")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_text_zlib)->Name("lzx_text/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_lzx)->Name("lzx_binary/lzx")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_zlib)->Name("lzx_binary/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

RATIO_BENCHMARK_MAIN("zlib")
