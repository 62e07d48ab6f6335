#pragma once
// The program's icon: the invader of the first march picture, scaled up on black.
#include <cstdint>
#include <vector>

#include "game/platform/colour.h"

namespace kv::assets {

constexpr int kIconSize = 64;

// size x size pixels, row-major (size at least 32). The invader is scaled by whole steps to
// about two thirds of the width, so every size keeps the scan-line look.
std::vector<Colour> IconPixels(int size = kIconSize);

}  // namespace kv::assets
