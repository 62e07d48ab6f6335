// MSZIP through zlib: each block is "CK" and a raw deflate stream that ends with a final
// block, primed with the previous block (the decoder's history) as a preset dictionary.
#include <zlib.h>

#include <stdexcept>

#include "folder_encoder.h"
#include "stream_encoder.h"
#include "installer/cabinet/codec.h"

namespace cabwriter {

namespace {

// A block that deflate cannot shrink is stored as one deflate stored block.
std::vector<uint8_t> stored_deflate_block(std::span<const uint8_t> data) {
  std::vector<uint8_t> out = {'C', 'K', 0x01};
  uint16_t len = uint16_t(data.size());
  out.push_back(uint8_t(len));
  out.push_back(uint8_t(len >> 8));
  out.push_back(uint8_t(~len));
  out.push_back(uint8_t(~len >> 8));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

class Deflater {
 public:
  explicit Deflater(int level) {
    stream_ = {};
    if (deflateInit2(&stream_, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::runtime_error("deflateInit2 failed");
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  std::vector<uint8_t> block(std::span<const uint8_t> data, std::span<const uint8_t> history) {
    deflateReset(&stream_);
    if (!history.empty())
      deflateSetDictionary(&stream_, history.data(), uInt(history.size()));
    std::vector<uint8_t> out(2 + deflateBound(&stream_, uLong(data.size())) + 16);
    out[0] = 'C';
    out[1] = 'K';
    stream_.next_in = const_cast<Bytef*>(data.data());
    stream_.avail_in = uInt(data.size());
    stream_.next_out = out.data() + 2;
    stream_.avail_out = uInt(out.size() - 2);
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(out.size() - stream_.avail_out);
    return out;
  }

 private:
  z_stream stream_;
};

// Each block is deflated on its own, primed with the block before it.
class ZlibMszipEncoder final : public BlockwiseEncoder {
 public:
  explicit ZlibMszipEncoder(int level) : deflater_(level) {}

 private:
  CompressedBlock encode_block(std::span<const uint8_t> data) override {
    CompressedBlock block;
    block.bytes = deflater_.block(data, history_);
    if (block.bytes.size() > data.size() + 7) block.bytes = stored_deflate_block(data);
    block.uncompressed_size = uint16_t(data.size());
    history_.assign(data.begin(), data.end());
    return block;
  }

  Deflater deflater_;
  std::vector<uint8_t> history_;
};

}  // namespace

std::unique_ptr<StreamEncoder> zlib_mszip_stream_encoder(const MszipOptions& options) {
  return std::make_unique<ZlibMszipEncoder>(options.level);
}

std::vector<CompressedBlock> encode_mszip(std::span<const uint8_t> stream, const MszipOptions& options) {
  return encode_in_one_piece(*zlib_mszip_stream_encoder(options), stream);
}

}  // namespace cabwriter
