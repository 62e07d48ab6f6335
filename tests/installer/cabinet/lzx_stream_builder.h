// Hand-built LZX bitstreams for tests, written independently of the cabinet writer's encoder:
// 16-bit little-endian words filled most significant bit first, canonical codes from lengths,
// trees sent with a fixed pretree in which every one of the 20 symbols has a code.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lzxtest {

class StreamBuilder {
 public:
  void bits(uint32_t value, uint32_t count) {
    for (int i = int(count) - 1; i >= 0; --i) {
      word_ = uint16_t((word_ << 1) | ((value >> i) & 1));
      if (++used_ == 16) {
        bytes_.push_back(uint8_t(word_));
        bytes_.push_back(uint8_t(word_ >> 8));
        word_ = 0;
        used_ = 0;
      }
    }
    total_bits_ += count;
  }
  // Zero bits up to the next word boundary.
  void pad() {
    while (used_ != 0) bits(0, 1);
  }
  void byte(uint8_t b) { bytes_.push_back(b); }
  void le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) byte(uint8_t(v >> (8 * i)));
  }
  // Ends a frame: pads the bits and hands over the frame's bytes.
  std::vector<uint8_t> take_frame() {
    pad();
    std::vector<uint8_t> out;
    out.swap(bytes_);
    total_bits_ = 0;
    return out;
  }
  // Bits written since the last take_frame or restart.
  uint32_t bit_count() const { return total_bits_; }
  void restart_bits() { total_bits_ = 0; }

  void no_translation() { bits(0, 1); }
  void translation(uint32_t size) {
    bits(1, 1);
    bits(size >> 16, 16);
    bits(size & 0xFFFF, 16);
  }
  void block_header(uint32_t type, uint32_t size) {
    bits(type, 3);
    bits(size >> 16, 8);
    bits((size >> 8) & 0xFF, 8);
    bits(size & 0xFF, 8);
  }
  // After an uncompressed block's header: 1 to 16 bits up to the next word boundary.
  void uncompressed_padding() {
    if (used_ == 0)
      bits(0, 16);
    else
      pad();
  }

 private:
  std::vector<uint8_t> bytes_;
  uint16_t word_ = 0;
  uint32_t used_ = 0;
  uint32_t total_bits_ = 0;
};

struct Code {
  std::vector<uint8_t> lengths;
  std::vector<uint32_t> codes;

  explicit Code(std::vector<uint8_t> l) : lengths(std::move(l)), codes(lengths.size(), 0) {
    // Canonical: by length, then by symbol.
    std::vector<uint32_t> order;
    for (uint32_t s = 0; s < lengths.size(); ++s)
      if (lengths[s]) order.push_back(s);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return lengths[a] < lengths[b]; });
    uint32_t code = 0, len = order.empty() ? 0 : lengths[order[0]];
    for (size_t i = 0; i < order.size(); ++i) {
      uint32_t l = lengths[order[i]];
      code <<= (l - len);
      len = l;
      codes[order[i]] = code++;
    }
  }
  void put(StreamBuilder& b, uint32_t symbol) const { b.bits(codes[symbol], lengths[symbol]); }
};

// Lengths for `count` symbols: `len` for the listed ones, 0 for the rest.
inline std::vector<uint8_t> lengths_of(uint32_t count, std::vector<std::pair<uint32_t, uint8_t>> set) {
  std::vector<uint8_t> l(count, 0);
  for (auto [symbol, len] : set) l[symbol] = len;
  return l;
}

// The pretree used by these streams: symbols 0-11 four bits, 12-19 five bits.
inline const Code& fixed_pretree() {
  static const Code code([] {
    std::vector<uint8_t> l(20, 5);
    for (int i = 0; i < 12; ++i) l[i] = 4;
    return l;
  }());
  return code;
}

inline void put_pretree(StreamBuilder& b) {
  for (uint8_t len : fixed_pretree().lengths) b.bits(len, 4);
}

inline uint32_t delta(uint8_t previous, uint8_t length) { return (previous + 17u - length) % 17u; }

// Sends lengths [first, last) one difference symbol each.
inline void put_lengths_plain(StreamBuilder& b, const std::vector<uint8_t>& lengths,
                              const std::vector<uint8_t>& previous, uint32_t first, uint32_t last) {
  put_pretree(b);
  for (uint32_t i = first; i < last; ++i) fixed_pretree().put(b, delta(previous[i], lengths[i]));
}

// Main tree (both runs) and length tree, each position sent on its own.
inline void put_trees_plain(StreamBuilder& b, const std::vector<uint8_t>& main,
                            const std::vector<uint8_t>& main_previous,
                            const std::vector<uint8_t>& length,
                            const std::vector<uint8_t>& length_previous) {
  put_lengths_plain(b, main, main_previous, 0, 256);
  put_lengths_plain(b, main, main_previous, 256, uint32_t(main.size()));
  put_lengths_plain(b, length, length_previous, 0, 249);
}

}  // namespace lzxtest
