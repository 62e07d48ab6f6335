#include "folder_encoder.h"

#include <stdexcept>

#include "installer/cabinet/codec.h"
#include "installer/cabinet/quantum_tables.h"
#include "lzx_encoder.h"
#include "quantum_encoder.h"

namespace cabwriter {

FolderEncoder default_encoder(uint16_t type_compress, Effort effort) {
  switch (method_of(type_compress)) {
    case METHOD_NONE:
      return [](std::span<const uint8_t> stream) { return encode_stored(stream); };
    case METHOD_MSZIP:
      return [](std::span<const uint8_t> stream) { return encode_mszip(stream); };
    case METHOD_QUANTUM: {
      uint32_t bits = window_bits_of(type_compress);
      if (bits < QUANTUM_MIN_WINDOW_BITS || bits > QUANTUM_MAX_WINDOW_BITS) break;
      return [bits](std::span<const uint8_t> stream) {
        return encode_quantum(stream, QuantumOptions{.window_bits = bits});
      };
    }
    case METHOD_LZX: {
      LzxOptions options = lzx_options(window_bits_of(type_compress), effort);
      return [options](std::span<const uint8_t> stream) { return encode_lzx(stream, options); };
    }
    default:
      break;
  }
  throw std::invalid_argument("no encoder for compression type " + std::to_string(type_compress));
}

std::vector<CompressedBlock> encode_stored(std::span<const uint8_t> stream) {
  std::vector<CompressedBlock> blocks;
  for (size_t at = 0; at < stream.size(); at += CAB_BLOCK_SIZE) {
    size_t n = std::min<size_t>(CAB_BLOCK_SIZE, stream.size() - at);
    CompressedBlock block;
    block.bytes.assign(stream.begin() + at, stream.begin() + at + n);
    block.uncompressed_size = uint16_t(n);
    blocks.push_back(std::move(block));
  }
  return blocks;
}

}  // namespace cabwriter
