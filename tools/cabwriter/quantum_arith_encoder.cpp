#include "quantum_arith_encoder.h"

#include <stdexcept>

namespace cabwriter {

namespace {

class BitPacker {
 public:
  void put(uint32_t value, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) bit((value >> i) & 1);
  }
  void bit(uint32_t b) {
    acc_ = uint8_t((acc_ << 1) | b);
    if (++used_ == 8) {
      out_.push_back(acc_);
      acc_ = 0;
      used_ = 0;
    }
  }
  std::vector<uint8_t> finish() {
    while (used_ != 0) bit(0);
    return std::move(out_);
  }

 private:
  std::vector<uint8_t> out_;
  uint8_t acc_ = 0;
  uint32_t used_ = 0;
};

}  // namespace

void QuantumArithEncoder::begin_block() {
  low_ = 0;
  high_ = 0xFFFF;
  pending_ = 0;
  shifts_ = 0;
  raw_bits_ = 0;
  bits_.clear();
  raws_.clear();
}

void QuantumArithEncoder::settle(uint32_t bit) {
  bits_.push_back(uint8_t(bit));
  for (; pending_ != 0; --pending_) bits_.push_back(uint8_t(bit ^ 1));
}

uint32_t QuantumArithEncoder::encode(QuantumModel& model, uint32_t symbol) {
  const uint16_t* cum = model.cum;
  uint32_t i = 0;
  while (i < model.symbols && model.symbol[i] != symbol) ++i;
  if (i == model.symbols) throw std::invalid_argument("symbol outside its model");

  uint32_t total = cum[0];
  uint32_t range = high_ - low_ + 1;
  uint32_t low = low_;
  high_ = (low + quantum_scale(cum[i], range, total) - 1) & 0xFFFF;
  low_ = (low + quantum_scale(cum[i + 1], range, total)) & 0xFFFF;
  for (;;) {
    if (((low_ ^ high_) & 0x8000) == 0) {
      settle(high_ >> 15);
    } else if ((low_ & 0x4000) && !(high_ & 0x4000)) {
      // The decoder flips its bit 14 here; the bit it stands for is settled later.
      ++pending_;
      ++straddles_;
      low_ &= 0x3FFF;
      high_ |= 0x4000;
    } else {
      break;
    }
    low_ = (low_ << 1) & 0xFFFF;
    high_ = ((high_ << 1) | 1) & 0xFFFF;
    ++shifts_;
  }
  quantum_model_update(&model, i);
  return i;
}

void QuantumArithEncoder::raw(uint32_t value, uint32_t count) {
  if (count == 0) return;
  raws_.push_back({16 + shifts_, value, count});
  raw_bits_ += count;
}

std::vector<uint8_t> QuantumArithEncoder::finish_block() {
  // The interval holds a whole quarter next to the middle; two bits (and the pending ones)
  // name a value inside it whatever follows.
  ++pending_;
  settle((low_ >> 14) & 1);
  // The decoder's reader runs 16 bits ahead of the last shift; it must find them all.
  bits_.resize(16 + shifts_, 0);
  return merge();
}

std::vector<uint8_t> QuantumArithEncoder::merge() const {
  BitPacker out;
  size_t next = 0;
  for (uint64_t at = 0; at <= bits_.size(); ++at) {
    for (; next < raws_.size() && raws_[next].at == at; ++next) out.put(raws_[next].value, raws_[next].count);
    if (at < bits_.size()) out.bit(bits_[at]);
  }
  return out.finish();
}

}  // namespace cabwriter
