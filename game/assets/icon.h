#pragma once
// The program's icon: the invader of the first march picture, scaled up on black.
#include <cstdint>
#include <vector>

#include "game/platform/colour.h"

namespace kv::assets {

constexpr int kIconSize = 64;

// kIconSize x kIconSize pixels, row-major.
std::vector<Colour> IconPixels();

}  // namespace kv::assets
