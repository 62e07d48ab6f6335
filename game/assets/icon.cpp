#include "game/assets/icon.h"

#include <cassert>

#include "game/assets/sprites.h"

namespace kv::assets {

std::vector<Colour> IconPixels(int size) {
  const SpriteArt& art = InvaderFrame0();
  std::vector<Colour> sprite = Rasterise(art);
  // 22 x 16 becomes 44 x 32 at 48 and 64 pixels, 88 x 64 at 128, centred.
  const int scale = (size + 16) / 32;
  assert(scale >= 1 && art.width * scale <= size);
  const int ox = (size - art.width * scale) / 2, oy = (size - art.height * scale) / 2;
  std::vector<Colour> out(static_cast<size_t>(size) * size, kBlack);
  for (int y = 0; y < art.height * scale; ++y)
    for (int x = 0; x < art.width * scale; ++x)
      out[static_cast<size_t>(oy + y) * size + ox + x] =
          sprite[static_cast<size_t>(y / scale) * art.width + x / scale];
  return out;
}

}  // namespace kv::assets
