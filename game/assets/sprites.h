#pragma once
// The game's sprites as data: one text row per lit pixel row ('#' lit in the sprite's colour,
// '.' black); rows not listed are black, which gives the scan-line look.
#include <cstdint>
#include <string_view>
#include <vector>

#include "game/platform/colour.h"

namespace kv::assets {

struct SpriteRow {
  int y;
  std::string_view pixels;
};

struct SpriteArt {
  std::string_view name;
  int width;
  int height;
  Colour colour;
  std::vector<SpriteRow> rows;
};

const SpriteArt& InvaderFrame0();     // imgInvader(0), 22 x 16
const SpriteArt& InvaderFrame1();     // imgInvader(1), 22 x 16
const SpriteArt& InvaderExplosion();  // imgInvader(2), 24 x 15
const SpriteArt& MotherShip();        // 34 x 16
const SpriteArt& Ship();              // 28 x 17
const SpriteArt& ShipExplosion0();    // imgShip1(0), 28 x 17
const SpriteArt& ShipExplosion1();    // imgShip1(1), 28 x 17
const SpriteArt& Base();              // 44 x 32

// width * height pixels, row-major.
std::vector<Colour> Rasterise(const SpriteArt& art);

}  // namespace kv::assets
