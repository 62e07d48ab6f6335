// The LZX decoder's private state and the steps shared by its source files.
#pragma once

#include <cstdint>

#include "lzx_bits.h"
#include "lzx_format.h"
#include "lzx_huffman.h"
#include "lzx_main_table.h"

// The wide loops exist where the processor family may have 256-bit integer vectors.
#if defined(__x86_64__) || defined(__i386__)
#define LZX_WIDE_LOOP 1
#else
#define LZX_WIDE_LOOP 0
#endif

namespace lzx {

// A match copied in 16-byte moves may write up to this many bytes past its end, ahead of the
// head, where the window still holds bytes older matches may read: the frame's old bytes
// are kept aside (DecoderState::saved) and those past its end put back when it is done.
constexpr uint32_t COPY_OVERRUN = 16;
static_assert(COPY_OVERRUN <= WINDOW_TAIL, "writes past the window's end stay in its tail");

constexpr uint32_t ALIGNED_TABLE_BITS = 7;
constexpr uint32_t PRETREE_TABLE_BITS = 8;

struct DecoderState {
  uint8_t* window;  // window_size + WINDOW_TAIL bytes
  uint32_t window_size;
  uint32_t window_mask;
  uint32_t position;  // next byte to write; below window_size between calls
  uint32_t slots;
  uint32_t main_symbols;  // 256 + 8 * slots

  uint32_t r0, r1, r2;

  // The window's bytes at [saved_start, saved_end) as they stood before the current frame
  // (block size + COPY_OVERRUN bytes of room, after the swapped input's).
  uint8_t* saved;
  uint32_t saved_start, saved_end;

  uint8_t main_lengths[MAIN_LENGTH_SPACE];
  uint8_t main_previous[MAIN_LENGTH_SPACE];
  uint8_t length_lengths[LENGTH_SYMBOLS];
  uint8_t length_previous[LENGTH_SYMBOLS];
  uint8_t aligned_lengths[ALIGNED_SYMBOLS];

  uint32_t main_table[table_entries(MAIN_TABLE_BITS, MAIN_LENGTH_SPACE)];
  uint16_t length_table[table_entries(LENGTH_TABLE_BITS, LENGTH_SYMBOLS)];
  uint16_t aligned_table[table_entries(ALIGNED_TABLE_BITS, ALIGNED_SYMBOLS)];
  uint16_t pretree_table[table_entries(PRETREE_TABLE_BITS, PRETREE_SYMBOLS)];

  // The current frame's input as given, and its swapped copy (input capacity + SWAP_PADDING
  // bytes, after the window's tail) that `bits` reads; uncompressed blocks read bytes at
  // `byte_position` of the input itself.
  const uint8_t* input;
  uint32_t input_size;
  uint8_t* swapped;
  uint32_t swap_base;  // the input offset the copy starts at: bits' offsets count from there
  BitReader bits;
  uint32_t byte_position;

  bool header_needed;
  uint32_t block_type;  // 0 before the first block of a folder
  uint32_t block_size;
  uint32_t block_left;

  bool e8_header_pending;
  uint32_t e8_size;      // 0: no translation
  uint32_t e8_position;  // bytes of the folder's output so far
  uint32_t frame_count;
  bool wide;  // the wide loops run (LzxLoop::Wide)
};

void reset_state(DecoderState& s);

// Points the bits at input offset `at`, where words now begin (an odd offset after an odd
// uncompressed block), swapping the input again from there if the copy's words are out of step.
void restart_bits(DecoderState& s, uint32_t at);

// Reads a block header (and the translation header before a folder's first block). False on
// any malformed header or tree.
bool read_block_header(DecoderState& s);

// Keeps the window's bytes from the position on, for a frame of `length` bytes, before it is
// decoded; puts back those from the position on once it is (or has failed).
void save_frame_ahead(DecoderState& s, uint32_t length);
void restore_frame_ahead(DecoderState& s);

// Decodes n bytes of the current verbatim or aligned block into the window.
bool decode_verbatim(DecoderState& s, uint32_t n);
bool decode_aligned(DecoderState& s, uint32_t n);

// Copies n bytes of the current uncompressed block from the input into the window.
bool copy_uncompressed(DecoderState& s, uint32_t n);

// Whether this processor runs the wide loops (256-bit integer vectors).
bool processor_has_wide_loop();

// Undoes the call translation on one frame: `out` holds a copy of the frame's `length` bytes
// at `source` (which stays as it is) and receives the translated calls. `position` is the
// frame's offset in the folder's output; `wide` picks the wide scan (see
// processor_has_wide_loop), the same result either way.
void e8_decode_frame(const uint8_t* source, uint8_t* out, uint32_t length, uint32_t position,
                     uint32_t translation_size, bool wide);

}  // namespace lzx
