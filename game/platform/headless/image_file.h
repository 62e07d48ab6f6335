#pragma once
// Screenshots of the framebuffer as PNG (RGB, 8 bits) or binary PPM.
#include <cstdint>
#include <string>
#include <vector>

#include "game/platform/surface.h"

namespace kv {

std::vector<uint8_t> EncodePng(const std::vector<Colour>& pixels, int width, int height);
std::vector<uint8_t> EncodePpm(const std::vector<Colour>& pixels, int width, int height);

// Chooses the format by the file's extension (".ppm", else PNG). Returns false and a reason
// on failure.
bool WriteScreenshot(const Surface& s, const std::string& path, std::string& error);

}  // namespace kv
