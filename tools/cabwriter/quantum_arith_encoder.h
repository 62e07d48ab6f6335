// The arithmetic coder behind Quantum blocks: the exact inverse of the decoder's 16-bit
// interval arithmetic, with the decoder's raw extra bits interleaved into the same stream.
//
// The decoder reads raw bits from its input at the point its arithmetic reader has reached,
// which runs 16 bits ahead of the coded symbols. Those bits are not settled when the raw bits
// are written, so the coder keeps the arithmetic bits and the raw groups apart and merges them
// when the block ends.
#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

#include "installer/cabinet/quantum_model.h"

namespace cabwriter {

class QuantumArithEncoder {
 public:
  // A fresh coder: every block starts one.
  void begin_block();

  // Codes `symbol` with `model` and counts it there, as the decoder will. Returns the index
  // the symbol had in the model. Throws std::invalid_argument for a symbol the model lacks.
  uint32_t encode(QuantumModel& model, uint32_t symbol);

  // `count` (0 to 24) raw bits of `value`, most significant first.
  void raw(uint32_t value, uint32_t count);

  // Ends the block: enough bits that the decoder's last renormalisation stays within the
  // input, the raw groups merged in, zero bits to the byte's end.
  std::vector<uint8_t> finish_block();

  // Bits the decoder reads for what has been coded so far (16 to start, one per shift, the raw
  // bits).
  uint64_t decoder_bits() const { return 16 + shifts_ + raw_bits_; }

  // Renormalisation steps taken while the interval straddled the middle, over the coder's
  // life: the case whose bits are settled late.
  uint64_t straddles() const { return straddles_; }

 private:
  struct RawGroup {
    uint64_t at;  // index of the arithmetic bit the group goes before
    uint32_t value;
    uint32_t count;
  };

  // Bits packed most significant first into bytes.
  class BitWriter {
   public:
    // The low `count` bits of `value`, 32 at most.
    void put(uint32_t value, uint32_t count) {
      assert(count <= 32 && (count == 32 || value >> count == 0));
      acc_ = acc_ << count | value;
      used_ += count;
      for (; used_ >= 8; used_ -= 8) bytes_.push_back(uint8_t(acc_ >> (used_ - 8)));
    }
    // `count` copies of `bit`.
    void run(uint32_t bit, uint64_t count);
    uint64_t bits() const { return uint64_t(bytes_.size()) * 8 + used_; }
    void clear() { bytes_.clear(), acc_ = 0, used_ = 0; }
    // The bytes, the last one filled up with zeros; the writer starts empty again.
    std::vector<uint8_t> finish();

   private:
    std::vector<uint8_t> bytes_;
    uint64_t acc_ = 0;
    uint32_t used_ = 0;  // bits in acc_ not yet in bytes_: fewer than 8 between calls
  };

  void settle(uint32_t bit);
  std::vector<uint8_t> merge(const std::vector<uint8_t>& arithmetic, uint64_t count) const;

  uint32_t low_ = 0;
  uint32_t high_ = 0xFFFF;
  uint64_t pending_ = 0;  // bits held back while the interval straddles the middle
  uint64_t shifts_ = 0;
  uint64_t raw_bits_ = 0;
  uint64_t straddles_ = 0;
  BitWriter bits_;  // settled arithmetic bits
  std::vector<RawGroup> raws_;
};

}  // namespace cabwriter
