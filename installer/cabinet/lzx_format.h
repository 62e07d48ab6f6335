// Constants of the LZX bitstream shared by the decoder and the cabinet writer's encoder:
// alphabet sizes, block types and the position-slot tables.
#pragma once

#include <cstdint>

namespace lzx {

constexpr uint32_t MIN_WINDOW_BITS = 15;
constexpr uint32_t MAX_WINDOW_BITS = 21;
constexpr uint32_t FRAME_SIZE = 32768;

constexpr uint32_t NUM_CHARS = 256;
constexpr uint32_t MAX_SLOTS = 50;
constexpr uint32_t MAIN_MAX_SYMBOLS = NUM_CHARS + 8 * MAX_SLOTS;  // 656
constexpr uint32_t MAIN_LENGTH_SPACE = 672;                       // arrays are sized for this
constexpr uint32_t LENGTH_SYMBOLS = 249;
constexpr uint32_t ALIGNED_SYMBOLS = 8;
constexpr uint32_t PRETREE_SYMBOLS = 20;
constexpr uint32_t MAX_CODE_LENGTH = 16;

constexpr uint32_t MIN_MATCH = 2;
constexpr uint32_t MAX_MATCH = 257;
constexpr uint32_t NUM_PRIMARY_LENGTHS = 7;  // length header 7 is extended by the length tree

enum BlockType : uint32_t {
  BLOCK_VERBATIM = 1,
  BLOCK_ALIGNED = 2,
  BLOCK_UNCOMPRESSED = 3,
};

// The window's tail mirrors its first bytes so that a match source may run past the window end.
constexpr uint32_t MIRROR_SPAN = 257;
constexpr uint32_t WINDOW_TAIL = 261;

// Extra bits and base of each position slot (offset = base - 2 + extra for slots 3 and above).
constexpr uint8_t slot_extra_bits(uint32_t slot) {
  if (slot < 4) return 0;
  uint32_t bits = (slot - 2) / 2;
  return uint8_t(bits > 17 ? 17 : bits);
}

struct SlotTable {
  uint32_t base[MAX_SLOTS + 1];
  uint8_t extra[MAX_SLOTS + 1];
};

constexpr SlotTable make_slot_table() {
  SlotTable t{};
  uint32_t base = 0;
  for (uint32_t slot = 0; slot <= MAX_SLOTS; ++slot) {
    t.base[slot] = base;
    t.extra[slot] = slot_extra_bits(slot);
    base += 1u << t.extra[slot];
  }
  return t;
}

inline constexpr SlotTable SLOTS = make_slot_table();

// Position slots a window needs: enough that the last slot's base reaches the window size.
constexpr uint32_t slot_count(uint32_t window_size) {
  uint32_t slots = 4;
  uint32_t base = 4;
  while (base < window_size) {
    base += 1u << slot_extra_bits(slots);
    ++slots;
  }
  return slots;
}

constexpr bool valid_window_size(uint32_t window_size) {
  return window_size >= (1u << MIN_WINDOW_BITS) && window_size <= (1u << MAX_WINDOW_BITS) &&
         (window_size & (window_size - 1)) == 0;
}

static_assert(slot_count(1u << 15) == 30 && slot_count(1u << 16) == 32 &&
              slot_count(1u << 17) == 34 && slot_count(1u << 18) == 36 &&
              slot_count(1u << 19) == 38 && slot_count(1u << 20) == 42 &&
              slot_count(1u << 21) == 50);

}  // namespace lzx
