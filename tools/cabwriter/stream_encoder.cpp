#include "stream_encoder.h"

#include <utility>

#include "installer/cabinet/codec.h"
#include "installer/cabinet/quantum_tables.h"
#include "lzx_stream_encoder.h"
#include "quantum_encoder.h"

namespace cabwriter {

namespace {

class WholeStreamAdapter final : public StreamEncoder {
 public:
  explicit WholeStreamAdapter(FolderEncoder encoder) : encoder_(std::move(encoder)) {}

  void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>&) override {
    stream_.insert(stream_.end(), piece.begin(), piece.end());
  }

  void finish(std::vector<CompressedBlock>& out) override {
    std::vector<CompressedBlock> blocks = encoder_(stream_);
    stream_ = {};
    for (CompressedBlock& block : blocks) out.push_back(std::move(block));
  }

 private:
  FolderEncoder encoder_;
  std::vector<uint8_t> stream_;
};

}  // namespace

std::unique_ptr<StreamEncoder> whole_stream_adapter(FolderEncoder encoder) {
  return std::make_unique<WholeStreamAdapter>(std::move(encoder));
}

// Each method moves to its own piecewise encoder as it gains one.
std::unique_ptr<StreamEncoder> make_stream_encoder(uint16_t type_compress, Effort effort) {
  if (method_of(type_compress) == METHOD_LZX)
    return std::make_unique<LzxStreamEncoder>(lzx_options(window_bits_of(type_compress), effort));
  if (method_of(type_compress) == METHOD_QUANTUM) {
    uint32_t bits = window_bits_of(type_compress);
    if (bits >= QUANTUM_MIN_WINDOW_BITS && bits <= QUANTUM_MAX_WINDOW_BITS)
      return std::make_unique<QuantumStreamEncoder>(QuantumOptions{.window_bits = bits});
  }
  return whole_stream_adapter(default_encoder(type_compress, effort));
}

}  // namespace cabwriter
