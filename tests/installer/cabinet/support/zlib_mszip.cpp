#include "zlib_mszip.h"

#include <zlib.h>

#include <stdexcept>

#include "installer/cabinet/codec.h"

namespace cabtest {

namespace {

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
    if (!history.empty()) deflateSetDictionary(&stream_, history.data(), uInt(history.size()));
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

}  // namespace

std::vector<cabwriter::CompressedBlock> zlib_mszip(std::span<const uint8_t> stream, int level) {
  Deflater deflater(level);
  std::vector<cabwriter::CompressedBlock> blocks;
  for (size_t at = 0; at < stream.size(); at += CAB_BLOCK_SIZE) {
    size_t n = std::min<size_t>(CAB_BLOCK_SIZE, stream.size() - at);
    std::span<const uint8_t> data = stream.subspan(at, n);
    std::span<const uint8_t> history = at >= CAB_BLOCK_SIZE ? stream.subspan(at - CAB_BLOCK_SIZE, CAB_BLOCK_SIZE)
                                                            : std::span<const uint8_t>{};
    cabwriter::CompressedBlock block;
    block.bytes = deflater.block(data, history);
    if (block.bytes.size() > n + 7) block.bytes = stored_deflate_block(data);
    block.uncompressed_size = uint16_t(n);
    blocks.push_back(std::move(block));
  }
  return blocks;
}

}  // namespace cabtest
