// LZX decoding throughput (MB/s of output) against zlib's inflate of the same content stored
// as MSZIP blocks ("CK" + raw deflate primed with the previous 32 KiB), measured in one run.
// After the runs a summary line per content gives both figures and their ratio; the summary
// counts processor time, so other load on the machine skews it less than wall time.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/cabinet/lzx_decoder.h"
#include "test_data.h"
#include "tools/cabwriter/folder_encoder.h"
#include "tools/cabwriter/lzx_encoder.h"

namespace {

constexpr size_t CONTENT_SIZE = 16u << 20;
constexpr uint32_t WINDOW_BITS = 21;

struct Content {
  std::vector<uint8_t> raw;
  std::vector<cabwriter::CompressedBlock> lzx;
  std::vector<cabwriter::CompressedBlock> mszip;
};

const Content& content(const std::string& kind) {
  static std::map<std::string, Content> cache;
  auto it = cache.find(kind);
  if (it != cache.end()) return it->second;
  Content c;
  c.raw = kind == "text" ? testdata::text_like(CONTENT_SIZE, 11) : testdata::binary_like(CONTENT_SIZE, 12);
  cabwriter::LzxOptions options;
  options.window_bits = WINDOW_BITS;
  options.max_chain = 256;  // closer to zlib's level 9 effort on the other side
  if (kind == "binary") options.e8_translation_size = 12000000;
  c.lzx = cabwriter::encode_lzx(c.raw, options);
  c.mszip = cabwriter::encode_mszip(c.raw);
  return cache.emplace(kind, std::move(c)).first->second;
}

struct Measure {
  double bytes = 0;
  double seconds = 0;
  double mb_per_s() const { return seconds > 0 ? bytes / seconds / 1e6 : 0; }
};
std::map<std::string, Measure> measures;

void* plain_alloc(uint32_t size) { return std::malloc(size); }
void plain_free(void* p) { std::free(p); }

// One pass over the folder the way the engine drives it: reset, then one call per block into a
// 32 KiB output buffer, each block's input in a buffer of the engine's capacity.
size_t lzx_pass(LzxDecoder* decoder, const Content& c, std::vector<uint8_t>& input,
                std::vector<uint8_t>& output) {
  lzx_reset(decoder);
  size_t total = 0;
  for (const auto& block : c.lzx) {
    std::memcpy(input.data(), block.bytes.data(), block.bytes.size());
    uint32_t size = block.uncompressed_size;
    if (lzx_decompress(decoder, input.data(), uint32_t(block.bytes.size()), output.data(), &size) !=
        CodecStatus::Ok)
      throw std::runtime_error("LZX decoding failed");
    total += size;
  }
  return total;
}

void BM_LzxDecode(benchmark::State& state, const std::string& kind) {
  const Content& c = content(kind);
  uint32_t block_size = 32768, capacity = 0;
  LzxConfig config{1u << WINDOW_BITS};
  LzxDecoder* decoder = nullptr;
  lzx_create(&block_size, &config, plain_alloc, plain_free, &capacity, &decoder);
  std::vector<uint8_t> input(capacity), output(block_size);

  // Check once that the content comes back.
  {
    lzx_reset(decoder);
    size_t at = 0;
    for (const auto& block : c.lzx) {
      std::memcpy(input.data(), block.bytes.data(), block.bytes.size());
      uint32_t size = block.uncompressed_size;
      lzx_decompress(decoder, input.data(), uint32_t(block.bytes.size()), output.data(), &size);
      if (size != block.uncompressed_size || std::memcmp(output.data(), c.raw.data() + at, size) != 0)
        state.SkipWithError("LZX output differs");
      at += size;
    }
  }
  Measure& m = measures["lzx " + kind];
  for (auto _ : state) {
    std::clock_t t0 = std::clock();
    size_t n = lzx_pass(decoder, c, input, output);
    m.seconds += double(std::clock() - t0) / CLOCKS_PER_SEC;
    m.bytes += double(n);
    benchmark::DoNotOptimize(output.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.raw.size()));
  lzx_destroy(decoder);
}

// Inflates every MSZIP block with the previous block's output as its dictionary.
size_t zlib_pass(z_stream& z, const Content& c, std::vector<uint8_t>& previous,
                 std::vector<uint8_t>& current) {
  size_t total = 0;
  uint32_t previous_size = 0;
  for (const auto& block : c.mszip) {
    inflateReset(&z);
    if (previous_size) inflateSetDictionary(&z, previous.data(), previous_size);
    z.next_in = const_cast<Bytef*>(block.bytes.data() + 2);
    z.avail_in = uInt(block.bytes.size() - 2);
    z.next_out = current.data();
    z.avail_out = uInt(current.size());
    int rc = inflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
    previous_size = uint32_t(current.size() - z.avail_out);
    total += previous_size;
    std::swap(previous, current);
  }
  return total;
}

void BM_ZlibInflate(benchmark::State& state, const std::string& kind) {
  const Content& c = content(kind);
  z_stream z{};
  inflateInit2(&z, -15);
  std::vector<uint8_t> previous(32768), current(32768);
  Measure& m = measures["zlib " + kind];
  for (auto _ : state) {
    std::clock_t t0 = std::clock();
    size_t n = zlib_pass(z, c, previous, current);
    m.seconds += double(std::clock() - t0) / CLOCKS_PER_SEC;
    m.bytes += double(n);
    benchmark::DoNotOptimize(current.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.raw.size()));
  inflateEnd(&z);
}

size_t compressed_size(const std::vector<cabwriter::CompressedBlock>& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.bytes.size();
  return n;
}

}  // namespace

BENCHMARK_CAPTURE(BM_LzxDecode, text, std::string("text"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ZlibInflate, text, std::string("text"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LzxDecode, binary, std::string("binary"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ZlibInflate, binary, std::string("binary"))->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const char* kind : {"text", "binary"}) {
    auto lzx = measures.find(std::string("lzx ") + kind);
    auto zlib = measures.find(std::string("zlib ") + kind);
    if (lzx == measures.end() || zlib == measures.end()) continue;
    const Content& c = content(kind);
    std::printf("summary %-6s: LZX %.0f MB/s, zlib inflate %.0f MB/s, ratio %.2fx (target >= 0.80); "
                "compressed LZX %zu, MSZIP %zu of %zu bytes\n",
                kind, lzx->second.mb_per_s(), zlib->second.mb_per_s(),
                lzx->second.mb_per_s() / zlib->second.mb_per_s(), compressed_size(c.lzx),
                compressed_size(c.mszip), c.raw.size());
  }
  return 0;
}
