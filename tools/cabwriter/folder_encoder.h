// Compression of a folder's uncompressed stream into data blocks. Every block but the last
// holds exactly 32768 bytes of output, as the readers expect.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace cabwriter {

struct CompressedBlock {
  std::vector<uint8_t> bytes;
  uint16_t uncompressed_size = 0;
};

using FolderEncoder = std::function<std::vector<CompressedBlock>(std::span<const uint8_t> stream)>;

// How hard an encoder searches. Max trades time for size where the method has the choice
// (LZX: longer hash chains, matches followed to their full length); MSZIP always packs at
// zlib's level 9 and Quantum has one effort.
enum class Effort : uint8_t { Normal, Max };

// The encoder for a folder's typeCompress (method in the low four bits, window bits in bits 8
// to 12). Throws std::invalid_argument for a method this library cannot write.
FolderEncoder default_encoder(uint16_t type_compress, Effort effort = Effort::Normal);

std::vector<CompressedBlock> encode_stored(std::span<const uint8_t> stream);

struct MszipOptions {
  int level = 9;  // 0 stores every block; 1 (fastest) to 9 (smallest)
};
// The whole stream at once through MszipDeflateEncoder (mszip_deflate_encoder.h); the same
// blocks as feeding it in pieces. Throws std::invalid_argument for a level outside 0..9.
std::vector<CompressedBlock> encode_mszip(std::span<const uint8_t> stream,
                                          const MszipOptions& options = {});

constexpr uint16_t type_compress_of(uint16_t method, uint16_t window_bits = 0) {
  return uint16_t(method | (window_bits << 8));
}

}  // namespace cabwriter
