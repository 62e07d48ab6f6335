// The stretch of a folder's stream the LZX encoder can still see: the window behind the block
// being encoded and the bytes fed ahead of it, with the call translation applied to each frame
// as soon as the frame is complete (the last, shorter frame at close()).
//
// Positions are offsets in the folder's stream. Bytes from `oldest()` to `end()` are held;
// those from `ready_end()` on are fed but not yet final (their frame is incomplete).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace cabwriter {

class LzxHistory {
 public:
  // translation_size: the call translation's size, 0 for none.
  explicit LzxHistory(uint32_t translation_size) : translation_size_(translation_size) {}

  // Appends bytes to the stream. Throws std::runtime_error past 2^31 - 1 bytes in all.
  void append(std::span<const uint8_t> bytes);
  // The stream has ended: its last frame becomes final.
  void close();

  uint32_t end() const { return base_ + uint32_t(bytes_.size()); }
  uint32_t ready_end() const { return ready_end_; }
  uint32_t oldest() const { return base_; }
  bool closed() const { return closed_; }

  // The byte at `pos`, oldest() <= pos < end(); what follows it up to end() is contiguous.
  const uint8_t* at(uint32_t pos) const { return bytes_.data() + (pos - base_); }

  // Bytes before `pos` are no longer needed. They are dropped in bulk, once at least `slack`
  // of them have gathered, so that the copying stays linear in the stream.
  void release_before(uint32_t pos, uint32_t slack);

 private:
  void translate_complete_frames();

  uint32_t translation_size_;
  std::vector<uint8_t> bytes_;
  uint32_t base_ = 0;
  uint32_t ready_end_ = 0;
  bool closed_ = false;
};

}  // namespace cabwriter
