// Quantum compression of a folder's stream: LZ77 over a window of 2^10 to 2^21 bytes, its
// tokens coded by QuantumTokenEncoder, one coder per 32 KiB block with the models and the
// window carried from block to block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "folder_encoder.h"
#include "quantum_token_encoder.h"
#include "stream_encoder.h"

namespace cabwriter {

struct QuantumOptions {
  uint32_t window_bits = 21;  // 10 .. 21, as in the folder's typeCompress
  uint32_t deep_ways = 32;    // newest candidates per eight-byte key bucket (16, 32 or 64)
  uint32_t nice_length = 128;  // a match this long ends the search
};

class QuantumParser;

// The stream fed in pieces (see StreamEncoder). Holds about 14 times the window plus two
// blocks, whatever the stream's length. The output does not depend on how the stream is cut:
// a block is coded once the eleven bytes after it have arrived (its last positions' keys
// and check bytes read them) or at finish().
class QuantumStreamEncoder final : public StreamEncoder {
 public:
  // Throws std::invalid_argument for window bits outside 10 to 21.
  explicit QuantumStreamEncoder(const QuantumOptions& options = {});
  ~QuantumStreamEncoder() override;

  // Throw std::runtime_error for a stream of 4 GiB or more, or a block no reader could take.
  void feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) override;
  void finish(std::vector<CompressedBlock>& out) override;

  // The token counts so far.
  const QuantumStats& stats() const { return tokens_.stats(); }

 private:
  void code_block(uint32_t end, std::vector<CompressedBlock>& out);

  QuantumTokenEncoder tokens_;
  std::unique_ptr<QuantumParser> parser_;
  uint32_t coded_ = 0;  // stream bytes coded into blocks so far
};

// The whole stream at once, as the stream encoder makes it. Throws as that does. When `stats`
// is given it receives the token counts.
std::vector<CompressedBlock> encode_quantum(std::span<const uint8_t> stream,
                                            const QuantumOptions& options = {},
                                            QuantumStats* stats = nullptr);

}  // namespace cabwriter
