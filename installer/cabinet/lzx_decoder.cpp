// LZX decoder handle: create (as a query or for real), one frame per decompress call, reset at
// a folder change, destroy. All memory is taken at create.
#include "lzx_decoder.h"

#include <cstring>

#include "lzx_state.h"

using namespace lzx;

namespace {

constexpr uint32_t LZX_MAGIC = 0x4349444C;  // "LDIC"
constexpr uint32_t MAX_BLOCK_SIZE = 1u << MAX_WINDOW_BITS;

}  // namespace

struct LzxDecoder {
  uint32_t magic;
  AllocFn alloc;
  FreeFn free;
  uint32_t block_size;
  uint32_t input_capacity;
  DecoderState* state;
};

namespace lzx {

void reset_state(DecoderState& s) {
  std::memset(s.main_lengths, 0, sizeof s.main_lengths);
  std::memset(s.length_lengths, 0, sizeof s.length_lengths);
  s.r0 = s.r1 = s.r2 = 1;
  s.position = 0;
  s.header_needed = true;
  s.block_type = 0;
  s.block_size = 0;
  s.block_left = 0;
  s.e8_header_pending = true;
  s.e8_size = 0;
  s.e8_position = 0;
  s.frame_count = 0;
  s.input = nullptr;
  s.input_size = 0;
  s.swap_base = 0;
  s.saved_start = s.saved_end = 0;
  s.bits.restart(nullptr, 0, 0);
  s.byte_position = 0;
}

}  // namespace lzx

namespace {

bool decode_blocks(DecoderState& s, uint32_t wanted);

bool decode_frame(DecoderState& s, const uint8_t* input, uint32_t input_size, uint32_t wanted) {
  s.input = input;
  s.input_size = input_size;
  swap_words(s.swapped, input, input_size);
  s.swap_base = 0;
  s.bits.restart(s.swapped, input_size, 0);
  // An uncompressed block that goes on from the previous frame continues at its first byte.
  if (s.block_type == BLOCK_UNCOMPRESSED) s.byte_position = 0;
  save_frame_ahead(s, wanted);
  const bool ok = decode_blocks(s, wanted);
  restore_frame_ahead(s);
  return ok;
}

bool decode_blocks(DecoderState& s, uint32_t wanted) {
  while (wanted > 0) {
    if (s.header_needed && !read_block_header(s)) return false;
    uint32_t n = s.block_left < wanted ? s.block_left : wanted;
    // A frame never wraps inside the window.
    if (uint64_t(s.position) + n > s.window_size) return false;
    bool ok;
    switch (s.block_type) {
      case BLOCK_VERBATIM: ok = decode_verbatim(s, n); break;
      case BLOCK_ALIGNED: ok = decode_aligned(s, n); break;
      default: ok = copy_uncompressed(s, n); break;
    }
    if (!ok) return false;
    s.block_left -= n;
    wanted -= n;
    if (s.block_left == 0) s.header_needed = true;
  }
  return true;
}

void free_decoder(LzxDecoder* d) {
  FreeFn free = d->free;
  if (d->state) {
    if (d->state->window) free(d->state->window);
    free(d->state);
  }
  d->magic = 0;
  free(d);
}

}  // namespace

CodecStatus lzx_create(uint32_t* block_size, const LzxConfig* config, AllocFn alloc, FreeFn free,
                       uint32_t* input_capacity, LzxDecoder** handle) {
  // Every creation failure is status 1, which the engine records as NoMemory.
  if (!block_size || !input_capacity) return CodecStatus::NoMemory;
  if (*block_size == 0 || *block_size > MAX_BLOCK_SIZE) return CodecStatus::NoMemory;
  *input_capacity = *block_size + LZX_INPUT_SLACK;
  if (!handle) return CodecStatus::Ok;

  *handle = nullptr;
  if (!alloc || !free) return CodecStatus::NoMemory;
  auto* d = static_cast<LzxDecoder*>(alloc(sizeof(LzxDecoder)));
  if (!d) return CodecStatus::NoMemory;
  d->magic = LZX_MAGIC;
  d->alloc = alloc;
  d->free = free;
  d->block_size = *block_size;
  d->input_capacity = *input_capacity;
  d->state = static_cast<DecoderState*>(alloc(sizeof(DecoderState)));
  if (!d->state) {
    free_decoder(d);
    return CodecStatus::NoMemory;
  }
  DecoderState& s = *d->state;
  s.window = nullptr;
  s.swapped = nullptr;
  uint32_t window_size = config ? config->window_size : 0;
  if (!valid_window_size(window_size)) {
    free_decoder(d);
    return CodecStatus::NoMemory;
  }
  // One allocation: the window with its tail, the room for the swapped input, then for the
  // frame's old bytes.
  const uint32_t swapped_room = *input_capacity + SWAP_PADDING;
  s.window = static_cast<uint8_t*>(
      alloc(window_size + WINDOW_TAIL + swapped_room + *block_size + COPY_OVERRUN));
  if (!s.window) {
    free_decoder(d);
    return CodecStatus::NoMemory;
  }
  // Matches reaching before a folder's start read the window as it stands; start it known.
  std::memset(s.window, 0, window_size + WINDOW_TAIL);
  s.swapped = s.window + window_size + WINDOW_TAIL;
  s.saved = s.swapped + swapped_room;
  s.window_size = window_size;
  s.window_mask = window_size - 1;
  s.slots = slot_count(window_size);
  s.main_symbols = NUM_CHARS + 8 * s.slots;
  std::memset(s.main_lengths, 0, sizeof s.main_lengths);
  std::memset(s.main_previous, 0, sizeof s.main_previous);
  std::memset(s.length_previous, 0, sizeof s.length_previous);
  std::memset(s.aligned_lengths, 0, sizeof s.aligned_lengths);
  s.wide = processor_has_wide_loop();
  reset_state(s);
  *handle = d;
  return CodecStatus::Ok;
}

CodecStatus lzx_decompress(LzxDecoder* handle, const uint8_t* input, uint32_t input_size,
                           uint8_t* output, uint32_t* output_size) {
  if (!handle || handle->magic != LZX_MAGIC) return CodecStatus::BadHandle;
  if (!output_size) return CodecStatus::BadSize;
  uint32_t wanted = *output_size;
  *output_size = 0;
  if (wanted > handle->block_size || input_size > handle->input_capacity) return CodecStatus::BadSize;
  if ((wanted > 0 && !output) || (input_size > 0 && !input)) return CodecStatus::DataError;

  DecoderState& s = *handle->state;
  const uint32_t frame_start = s.position;
  if (!decode_frame(s, input, input_size, wanted)) return CodecStatus::DataError;
  if (s.position == s.window_size) s.position = 0;

  if (wanted > 0) std::memcpy(output, s.window + frame_start, wanted);
  // Translation ends after 32768 frames (1 GiB of output).
  if (s.e8_size != 0 && s.frame_count < 32768)
    e8_decode_frame(s.window + frame_start, output, wanted, s.e8_position, s.e8_size, s.wide);
  s.e8_position += wanted;
  if (s.frame_count < 32768) ++s.frame_count;
  *output_size = wanted;
  return CodecStatus::Ok;
}

CodecStatus lzx_reset(LzxDecoder* handle) {
  if (!handle || handle->magic != LZX_MAGIC) return CodecStatus::BadHandle;
  reset_state(*handle->state);
  return CodecStatus::Ok;
}

CodecStatus lzx_destroy(LzxDecoder* handle) {
  if (!handle || handle->magic != LZX_MAGIC) return CodecStatus::BadHandle;
  free_decoder(handle);
  return CodecStatus::Ok;
}

CodecStatus lzx_select_loop(LzxDecoder* handle, LzxLoop loop) {
  if (!handle || handle->magic != LZX_MAGIC) return CodecStatus::BadHandle;
  if (loop == LzxLoop::Wide && !processor_has_wide_loop()) return CodecStatus::BadSize;
  handle->state->wide = loop == LzxLoop::Wide;
  return CodecStatus::Ok;
}
