// MSZIP decoding speed: our decoder against zlib's and ISA-L's inflate on the same blocks.
#include <cstdlib>

#include "installer/cabinet/mszip_decoder.h"
#include "isal_blocks.h"
#include "mszip_blocks.h"
#include "ratio_reporter.h"

namespace {

void* bench_alloc(uint32_t n) { return std::malloc(n); }
void bench_free(void* p) { std::free(p); }

size_t decode_all(MszipDecoder* decoder, const std::vector<cabwriter::CompressedBlock>& blocks,
                  std::vector<uint8_t>& output) {
  size_t total = 0;
  for (const cabwriter::CompressedBlock& block : blocks) {
    uint32_t produced = 32768;
    if (mszip_decompress(decoder, block.bytes.data(), uint32_t(block.bytes.size()), output.data(),
                         &produced) != CodecStatus::Ok)
      throw std::runtime_error("mszip_decompress");
    total += produced;
  }
  return total;
}

void run_ours(benchmark::State& state, const std::vector<uint8_t>& content) {
  auto blocks = benchdata::mszip_blocks(content);
  uint32_t block_size = 32768, capacity = 0;
  MszipDecoder* decoder = nullptr;
  mszip_create(&block_size, bench_alloc, bench_free, &capacity, &decoder);
  std::vector<uint8_t> output(32768);
  if (decode_all(decoder, blocks, output) != content.size()) state.SkipWithError("wrong size");
  size_t bytes = 0;
  for (auto _ : state) bytes += decode_all(decoder, blocks, output);
  state.SetBytesProcessed(int64_t(bytes));
  mszip_destroy(decoder);
}

// A baseline inflater (zlib's or ISA-L's) on the same blocks.
template <typename Inflater>
void run_baseline(benchmark::State& state, const std::vector<uint8_t>& content) {
  auto blocks = benchdata::mszip_blocks(content);
  Inflater inflater;
  size_t bytes = 0;
  for (auto _ : state) bytes += inflater.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
}

constexpr auto run_zlib = run_baseline<benchdata::ZlibBlockInflater>;
constexpr auto run_isal = run_baseline<benchdata::IsalBlockInflater>;

void BM_text_ours(benchmark::State& s) { run_ours(s, benchdata::text_content()); }
void BM_text_zlib(benchmark::State& s) { run_zlib(s, benchdata::text_content()); }
void BM_text_isal(benchmark::State& s) { run_isal(s, benchdata::text_content()); }
void BM_binary_ours(benchmark::State& s) { run_ours(s, benchdata::binary_content()); }
void BM_binary_zlib(benchmark::State& s) { run_zlib(s, benchdata::binary_content()); }
void BM_binary_isal(benchmark::State& s) { run_isal(s, benchdata::binary_content()); }

}  // namespace

BENCHMARK(BM_text_ours)->Name("mszip_text/ours")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_text_zlib)->Name("mszip_text/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_text_isal)->Name("mszip_text/isal")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_ours)->Name("mszip_binary/ours")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_zlib)->Name("mszip_binary/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK(BM_binary_isal)->Name("mszip_binary/isal")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

RATIO_BENCHMARK_MAIN("zlib", "isal")
