// Quantum decoding speed (MB/s of output) on 16 MiB of text-like and 16 MiB of binary-like
// data, next to zlib's inflate of the same content in MSZIP blocks (each block "CK" and raw
// deflate primed with the previous 32 KiB, inflated with the same dictionary).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "folder_encoder.h"
#include "installer/cabinet/quantum_decoder.h"
#include "quantum_encoder.h"
#include "test_data.h"

namespace {

constexpr size_t CONTENT_SIZE = size_t(16) << 20;
constexpr uint32_t WINDOW_BITS = 21;

struct Corpus {
  std::vector<uint8_t> content;
  std::vector<cabwriter::CompressedBlock> quantum;
  std::vector<cabwriter::CompressedBlock> mszip;
};

void* plain_alloc(uint32_t n) { return std::malloc(n); }
void plain_free(void* p) { std::free(p); }

size_t total(const std::vector<cabwriter::CompressedBlock>& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.bytes.size();
  return n;
}

class QuantumFolder {
 public:
  QuantumFolder() {
    uint32_t block_size = CAB_BLOCK_SIZE;
    uint32_t capacity = 0;
    QuantumConfig config{WINDOW_BITS, 0};
    if (quantum_create(&block_size, &config, plain_alloc, plain_free, &capacity, &d_) != CodecStatus::Ok)
      std::abort();
  }
  ~QuantumFolder() { quantum_destroy(d_); }

  // Decodes every block into one 32 KiB buffer, as the engine does; calls sink per block.
  template <typename Sink>
  bool decode(const std::vector<cabwriter::CompressedBlock>& blocks, Sink&& sink) {
    if (quantum_reset(d_) != CodecStatus::Ok) return false;
    for (const auto& b : blocks) {
      uint32_t size = b.uncompressed_size;
      if (quantum_decompress(d_, b.bytes.data(), uint32_t(b.bytes.size()), out_, &size) != CodecStatus::Ok)
        return false;
      sink(out_, size);
    }
    return true;
  }

 private:
  QuantumDecoder* d_ = nullptr;
  uint8_t out_[CAB_BLOCK_SIZE];
};

class MszipInflater {
 public:
  MszipInflater() {
    if (inflateInit2(&z_, -15) != Z_OK) std::abort();
  }
  ~MszipInflater() { inflateEnd(&z_); }

  // Two alternating output buffers: the previous block is the next one's dictionary.
  template <typename Sink>
  bool decode(const std::vector<cabwriter::CompressedBlock>& blocks, Sink&& sink) {
    uint32_t previous = 0;
    int current = 0;
    for (const auto& b : blocks) {
      if (b.bytes.size() < 2 || b.bytes[0] != 'C' || b.bytes[1] != 'K') return false;
      inflateReset(&z_);
      if (previous != 0 && inflateSetDictionary(&z_, out_[current ^ 1], previous) != Z_OK) return false;
      z_.next_in = const_cast<Bytef*>(b.bytes.data() + 2);
      z_.avail_in = uInt(b.bytes.size() - 2);
      z_.next_out = out_[current];
      z_.avail_out = CAB_BLOCK_SIZE;
      if (inflate(&z_, Z_FINISH) != Z_STREAM_END) return false;
      uint32_t produced = CAB_BLOCK_SIZE - z_.avail_out;
      if (produced != b.uncompressed_size) return false;
      sink(out_[current], produced);
      previous = produced;
      current ^= 1;
    }
    return true;
  }

 private:
  z_stream z_{};
  uint8_t out_[2][CAB_BLOCK_SIZE];
};

// Both decoders must give back the content before their speed means anything.
template <typename Decoder>
void verify(Decoder& decoder, const std::vector<cabwriter::CompressedBlock>& blocks,
            const std::vector<uint8_t>& content, const char* what) {
  size_t at = 0;
  bool same = true;
  bool ok = decoder.decode(blocks, [&](const uint8_t* p, uint32_t n) {
    same = same && at + n <= content.size() && std::memcmp(p, content.data() + at, n) == 0;
    at += n;
  });
  if (!ok || !same || at != content.size()) {
    std::fprintf(stderr, "%s does not reproduce its content\n", what);
    std::exit(1);
  }
}

const Corpus& corpus(const std::string& kind) {
  static std::map<std::string, Corpus> corpora;
  auto it = corpora.find(kind);
  if (it != corpora.end()) return it->second;
  Corpus c;
  c.content = kind == "text" ? testdata::text_like(CONTENT_SIZE, 1) : testdata::binary_like(CONTENT_SIZE, 2);
  c.quantum = cabwriter::encode_quantum(c.content, {.window_bits = WINDOW_BITS});
  c.mszip = cabwriter::encode_mszip(c.content);
  QuantumFolder q;
  verify(q, c.quantum, c.content, "Quantum");
  MszipInflater z;
  verify(z, c.mszip, c.content, "MSZIP");
  std::printf("%s: %zu bytes; Quantum %zu (%.1f %%), MSZIP %zu (%.1f %%)\n", kind.c_str(),
              c.content.size(), total(c.quantum), 100.0 * double(total(c.quantum)) / double(c.content.size()),
              total(c.mszip), 100.0 * double(total(c.mszip)) / double(c.content.size()));
  return corpora.emplace(kind, std::move(c)).first->second;
}

template <typename Decoder, bool Quantum>
void decode_folder(benchmark::State& state, const std::string& kind) {
  const Corpus& c = corpus(kind);
  const auto& blocks = Quantum ? c.quantum : c.mszip;
  static Decoder decoder;  // large buffers: not on the stack
  uint64_t checksum = 0;
  for (auto _ : state) {
    bool ok = decoder.decode(blocks, [&](const uint8_t* p, uint32_t n) { checksum += p[n - 1]; });
    if (!ok) state.SkipWithError("decoding failed");
  }
  benchmark::DoNotOptimize(checksum);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.content.size()));
}

void BM_QuantumDecode(benchmark::State& state, const char* kind) {
  decode_folder<QuantumFolder, true>(state, kind);
}
void BM_MszipInflate(benchmark::State& state, const char* kind) {
  decode_folder<MszipInflater, false>(state, kind);
}

BENCHMARK_CAPTURE(BM_QuantumDecode, text, "text")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MszipInflate, text, "text")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_QuantumDecode, binary, "binary")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MszipInflate, binary, "binary")->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each run's output rate so that the ratios can be printed at the end.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates[run.benchmark_name()] = double(it->second);
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* kind : {"text", "binary"}) {
    auto q = reporter.rates.find(std::string("BM_QuantumDecode/") + kind);
    auto z = reporter.rates.find(std::string("BM_MszipInflate/") + kind);
    if (q == reporter.rates.end() || z == reporter.rates.end()) continue;
    std::printf("%-6s Quantum %7.1f MB/s   zlib inflate (MSZIP) %7.1f MB/s   ratio %.3f\n", kind,
                q->second / 1e6, z->second / 1e6, q->second / z->second);
  }
  benchmark::Shutdown();
  return 0;
}
