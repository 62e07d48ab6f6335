#include "lzx_history.h"

#include <algorithm>
#include <stdexcept>

#include "installer/cabinet/lzx_format.h"
#include "lzx_encoder.h"

namespace cabwriter {

namespace {

constexpr uint32_t MAX_STREAM = 0x7FFFFFFF;
// The reader translates calls in the first 32768 frames only.
constexpr uint32_t TRANSLATED_FRAMES = 32768;

}  // namespace

void LzxHistory::append(std::span<const uint8_t> bytes) {
  if (closed_) throw std::logic_error("LZX stream appended after its end");
  if (bytes.size() > MAX_STREAM - end()) throw std::runtime_error("folder too large for LZX");
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  translate_complete_frames();
}

void LzxHistory::close() {
  closed_ = true;
  translate_complete_frames();
}

void LzxHistory::translate_complete_frames() {
  for (;;) {
    uint32_t length = std::min(end() - ready_end_, lzx::FRAME_SIZE);
    if (length == 0 || (length < lzx::FRAME_SIZE && !closed_)) return;
    if (translation_size_ != 0 && ready_end_ / lzx::FRAME_SIZE < TRANSLATED_FRAMES)
      lzx_e8_encode_frame(bytes_.data() + (ready_end_ - base_), length, ready_end_,
                          translation_size_);
    ready_end_ += length;
  }
}

void LzxHistory::release_before(uint32_t pos, uint32_t slack) {
  pos = std::min(pos, ready_end_);
  if (pos < base_ || pos - base_ < slack) return;
  bytes_.erase(bytes_.begin(), bytes_.begin() + (pos - base_));
  base_ = pos;
}

}  // namespace cabwriter
