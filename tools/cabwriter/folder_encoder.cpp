#include "folder_encoder.h"

#include <stdexcept>

#include "installer/cabinet/codec.h"
#include "installer/cabinet/quantum_tables.h"
#include "lzx_encoder.h"
#include "quantum_encoder.h"
#include "stream_encoder.h"

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
  return encode_in_one_piece(*stored_stream_encoder(), stream);
}

}  // namespace cabwriter
