#include "quantum_arith_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace cabwriter {

namespace {

// `count` (at most 32) bits from bit `at` of `bytes`, most significant first; bits past the
// end read as zeros.
uint32_t read_bits(const std::vector<uint8_t>& bytes, uint64_t at, uint32_t count) {
  uint64_t word = 0;
  size_t first = size_t(at / 8);
  for (size_t i = 0; i < 8; ++i) word = word << 8 | (first + i < bytes.size() ? bytes[first + i] : 0);
  return count == 0 ? 0 : uint32_t((word << (at % 8)) >> (64 - count));
}

// The entry holding `symbol` in `model`, or model.symbols when it has none: a group of entries
// compared at a time (the entries past the last may hold anything, hence the final check).
uint32_t entry_of(const QuantumModel& model, uint32_t symbol) {
  if constexpr (std::endian::native != std::endian::little) {
    uint32_t i = 0;
    while (i < model.symbols && model.symbol[i] != symbol) ++i;
    return i;
  }
  const QuantumLanes wanted = QuantumLanes{} + uint16_t(symbol);
  for (uint32_t group = 0; group < model.symbols; group += QUANTUM_GROUP) {
    auto equal = quantum_load_lanes(model.symbol + group) == wanted;  // a true lane is all ones
    uint64_t words[QUANTUM_GROUP / 4];
    static_assert(sizeof equal == sizeof words);
    std::memcpy(words, &equal, sizeof words);
    for (uint32_t w = 0; w < QUANTUM_GROUP / 4; ++w) {
      if (words[w] == 0) continue;
      uint32_t i = group + 4 * w + uint32_t(std::countr_zero(words[w])) / 16;
      return i < model.symbols ? i : model.symbols;
    }
  }
  return model.symbols;
}

}  // namespace

void QuantumArithEncoder::BitWriter::run(uint32_t bit, uint64_t count) {
  for (; count >= 32; count -= 32) put(bit ? 0xFFFFFFFFu : 0, 32);
  if (count != 0) put(bit ? (uint32_t(1) << count) - 1 : 0, uint32_t(count));
}

std::vector<uint8_t> QuantumArithEncoder::BitWriter::finish() {
  if (used_ != 0) put(0, 8 - used_);
  std::vector<uint8_t> out = std::move(bytes_);
  clear();
  return out;
}

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
  bits_.put(bit, 1);
  bits_.run(bit ^ 1, pending_);
  pending_ = 0;
}

uint32_t QuantumArithEncoder::encode(QuantumModel& model, uint32_t symbol) {
  const uint16_t* cum = model.cum;
  uint32_t i = entry_of(model, symbol);
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
  uint64_t count = 16 + shifts_;
  assert(bits_.bits() <= count);
  return merge(bits_.finish(), count);
}

// The arithmetic bits (`count` of them, zeros past those written) with the raw groups in
// their places.
std::vector<uint8_t> QuantumArithEncoder::merge(const std::vector<uint8_t>& arithmetic, uint64_t count) const {
  BitWriter out;
  uint64_t done = 0;
  auto copy_up_to = [&](uint64_t end) {
    for (; done < end; done += std::min<uint64_t>(32, end - done)) {
      uint32_t n = uint32_t(std::min<uint64_t>(32, end - done));
      out.put(read_bits(arithmetic, done, n), n);
    }
  };
  for (const RawGroup& raw : raws_) {
    copy_up_to(raw.at);
    out.put(raw.value & ((uint32_t(1) << raw.count) - 1), raw.count);
  }
  copy_up_to(count);
  return out.finish();
}

}  // namespace cabwriter
