// MSZIP blocks of generated content, and zlib's inflate of them: the baseline every decoder
// benchmark is measured against.
#pragma once

#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "folder_encoder.h"
#include "test_data.h"
#include "zlib_mszip.h"

namespace benchdata {

constexpr size_t CONTENT_SIZE = 16u << 20;

inline const std::vector<uint8_t>& text_content() {
  static const std::vector<uint8_t> data = testdata::text_like(CONTENT_SIZE, 11);
  return data;
}

inline const std::vector<uint8_t>& binary_content() {
  static const std::vector<uint8_t> data = testdata::binary_like(CONTENT_SIZE, 12);
  return data;
}

// zlib's blocks, so that the decoders are measured on the same blocks whatever our encoder does.
inline std::vector<cabwriter::CompressedBlock> mszip_blocks(const std::vector<uint8_t>& content) {
  return cabtest::zlib_mszip(content, 6);
}

// Inflates every block with zlib, the previous block's output as the dictionary.
class ZlibBlockInflater {
 public:
  ZlibBlockInflater() {
    if (inflateInit2(&z_, -15) != Z_OK) throw std::runtime_error("inflateInit2");
    buffers_[0].resize(32768);
    buffers_[1].resize(32768);
  }
  ~ZlibBlockInflater() { inflateEnd(&z_); }

  size_t run(const std::vector<cabwriter::CompressedBlock>& blocks) {
    size_t total = 0;
    int current = 0;
    bool have_previous = false;
    for (const cabwriter::CompressedBlock& block : blocks) {
      inflateReset(&z_);
      if (have_previous) inflateSetDictionary(&z_, buffers_[current ^ 1].data(), 32768);
      z_.next_in = const_cast<Bytef*>(block.bytes.data() + 2);
      z_.avail_in = uInt(block.bytes.size() - 2);
      z_.next_out = buffers_[current].data();
      z_.avail_out = 32768;
      int status = inflate(&z_, Z_FINISH);
      if (status != Z_STREAM_END) throw std::runtime_error("inflate");
      total += 32768 - z_.avail_out;
      current ^= 1;
      have_previous = true;
    }
    return total;
  }

 private:
  z_stream z_{};
  std::vector<uint8_t> buffers_[2];
};

}  // namespace benchdata
