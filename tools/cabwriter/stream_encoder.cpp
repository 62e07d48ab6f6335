#include "stream_encoder.h"

#include <algorithm>
#include <utility>

#include "installer/cabinet/codec.h"
#include "installer/cabinet/quantum_tables.h"
#include "lzx_stream_encoder.h"
#include "mszip_deflate_encoder.h"
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

class StoredStreamEncoder final : public BlockwiseEncoder {
  CompressedBlock encode_block(std::span<const uint8_t> data) override {
    return CompressedBlock{{data.begin(), data.end()}, uint16_t(data.size())};
  }
};

}  // namespace

void BlockwiseEncoder::feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) {
  while (!piece.empty()) {
    size_t take = std::min<size_t>(CAB_BLOCK_SIZE - pending_.size(), piece.size());
    if (pending_.capacity() < CAB_BLOCK_SIZE) pending_.reserve(CAB_BLOCK_SIZE);
    pending_.insert(pending_.end(), piece.begin(), piece.begin() + long(take));
    piece = piece.subspan(take);
    if (pending_.size() == CAB_BLOCK_SIZE) {
      out.push_back(encode_block(pending_));
      pending_.clear();
    }
  }
}

void BlockwiseEncoder::finish(std::vector<CompressedBlock>& out) {
  if (!pending_.empty()) out.push_back(encode_block(pending_));
  pending_ = {};
}

std::unique_ptr<StreamEncoder> stored_stream_encoder() { return std::make_unique<StoredStreamEncoder>(); }

std::vector<CompressedBlock> encode_in_one_piece(StreamEncoder& encoder, std::span<const uint8_t> stream) {
  std::vector<CompressedBlock> blocks;
  encoder.feed(stream, blocks);
  encoder.finish(blocks);
  return blocks;
}

std::unique_ptr<StreamEncoder> whole_stream_adapter(FolderEncoder encoder) {
  return std::make_unique<WholeStreamAdapter>(std::move(encoder));
}

std::unique_ptr<StreamEncoder> make_stream_encoder(uint16_t type_compress, Effort effort) {
  switch (method_of(type_compress)) {
    case METHOD_NONE:
      return stored_stream_encoder();
    case METHOD_MSZIP:
      return std::make_unique<MszipDeflateEncoder>();
    case METHOD_LZX:
      return std::make_unique<LzxStreamEncoder>(lzx_options(window_bits_of(type_compress), effort));
    case METHOD_QUANTUM: {
      uint32_t bits = window_bits_of(type_compress);
      if (bits >= QUANTUM_MIN_WINDOW_BITS && bits <= QUANTUM_MAX_WINDOW_BITS)
        return std::make_unique<QuantumStreamEncoder>(QuantumOptions{.window_bits = bits});
      break;
    }
    default:
      break;
  }
  return whole_stream_adapter(default_encoder(type_compress, effort));
}

}  // namespace cabwriter
