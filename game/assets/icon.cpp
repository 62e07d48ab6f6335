#include "game/assets/icon.h"

#include "game/assets/sprites.h"

namespace kv::assets {

std::vector<Colour> IconPixels() {
  const SpriteArt& art = InvaderFrame0();
  std::vector<Colour> sprite = Rasterise(art);
  // Scale 2 keeps the scan-line look; 22 x 16 becomes 44 x 32, centred.
  constexpr int kScale = 2;
  const int ox = (kIconSize - art.width * kScale) / 2, oy = (kIconSize - art.height * kScale) / 2;
  std::vector<Colour> out(static_cast<size_t>(kIconSize) * kIconSize, kBlack);
  for (int y = 0; y < art.height * kScale; ++y)
    for (int x = 0; x < art.width * kScale; ++x)
      out[static_cast<size_t>(oy + y) * kIconSize + ox + x] =
          sprite[static_cast<size_t>(y / kScale) * art.width + x / kScale];
  return out;
}

}  // namespace kv::assets
