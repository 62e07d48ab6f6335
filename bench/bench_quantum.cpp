// Quantum decoding speed (MB/s of output) on the shared text-like and binary-like content,
// against zlib's inflate of the same content in MSZIP blocks.
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "installer/cabinet/quantum_decoder.h"
#include "mszip_blocks.h"
#include "quantum_encoder.h"
#include "ratio_reporter.h"

namespace {

constexpr uint32_t WINDOW_BITS = 21;

void* bench_alloc(uint32_t n) { return std::malloc(n); }
void bench_free(void* p) { std::free(p); }

// Decodes a folder block by block into one 32 KiB buffer, as the engine does. With `check`,
// every block is compared with the content it came from.
size_t decode_all(QuantumDecoder* decoder, const std::vector<cabwriter::CompressedBlock>& blocks,
                  std::vector<uint8_t>& output, const std::vector<uint8_t>* check) {
  if (quantum_reset(decoder) != CodecStatus::Ok) throw std::runtime_error("quantum_reset");
  size_t total = 0;
  for (const cabwriter::CompressedBlock& block : blocks) {
    uint32_t wanted = block.uncompressed_size;
    if (quantum_decompress(decoder, block.bytes.data(), uint32_t(block.bytes.size()), output.data(),
                           &wanted) != CodecStatus::Ok)
      throw std::runtime_error("quantum_decompress");
    if (check && std::memcmp(output.data(), check->data() + total, wanted) != 0)
      throw std::runtime_error("Quantum output differs from its content");
    total += wanted;
  }
  return total;
}

void run_ours(benchmark::State& state, const std::vector<uint8_t>& content) {
  auto blocks = cabwriter::encode_quantum(content, {.window_bits = WINDOW_BITS});
  size_t packed = 0;
  for (const auto& b : blocks) packed += b.bytes.size();
  uint32_t block_size = 32768, capacity = 0;
  QuantumConfig config{WINDOW_BITS, 0};
  QuantumDecoder* decoder = nullptr;
  if (quantum_create(&block_size, &config, bench_alloc, bench_free, &capacity, &decoder) != CodecStatus::Ok)
    throw std::runtime_error("quantum_create");
  std::vector<uint8_t> output(32768);
  if (decode_all(decoder, blocks, output, &content) != content.size()) state.SkipWithError("wrong size");
  size_t bytes = 0;
  for (auto _ : state) bytes += decode_all(decoder, blocks, output, nullptr);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["compressed_%"] = 100.0 * double(packed) / double(content.size());
  quantum_destroy(decoder);
}

void run_zlib(benchmark::State& state, const std::vector<uint8_t>& content) {
  auto blocks = benchdata::mszip_blocks(content);
  size_t packed = 0;
  for (const auto& b : blocks) packed += b.bytes.size();
  benchdata::ZlibBlockInflater inflater;
  size_t bytes = 0;
  for (auto _ : state) bytes += inflater.run(blocks);
  state.SetBytesProcessed(int64_t(bytes));
  state.counters["compressed_%"] = 100.0 * double(packed) / double(content.size());
}

void BM_text_ours(benchmark::State& s) { run_ours(s, benchdata::text_content()); }
void BM_text_zlib(benchmark::State& s) { run_zlib(s, benchdata::text_content()); }
void BM_binary_ours(benchmark::State& s) { run_ours(s, benchdata::binary_content()); }
void BM_binary_zlib(benchmark::State& s) { run_zlib(s, benchdata::binary_content()); }

}  // namespace

BENCHMARK(BM_text_ours)->Name("quantum_text/ours")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_text_zlib)->Name("quantum_text/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_ours)->Name("quantum_binary/ours")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_binary_zlib)->Name("quantum_binary/zlib")->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

RATIO_BENCHMARK_MAIN("zlib")
