#pragma once
// Where two pictures of the client area differ, so that only that part is put on the screen.
#include <vector>

#include "game/platform/colour.h"
#include "game/platform/rect.h"

namespace kv {

// The smallest rectangle holding every pixel in which now differs from shown; empty when
// none does. Both are width x height, row-major.
Rect ChangedRect(const std::vector<Colour>& now, const std::vector<Colour>& shown, int width, int height);

// Copies r of from into to (both width pixels wide).
void CopyRect(const std::vector<Colour>& from, std::vector<Colour>& to, int width, Rect r);

}  // namespace kv
