#pragma once
// A picture is an immutable bitmap shared between controls, as pictures are copied from
// template controls to the ones on screen.
#include <cstdint>
#include <memory>
#include <vector>

#include "game/platform/colour.h"

namespace kv {

struct PictureData {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;  // row-major, width * height

  Colour at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

using Picture = std::shared_ptr<const PictureData>;

inline Picture MakePicture(int width, int height, std::vector<Colour> pixels) {
  auto p = std::make_shared<PictureData>();
  p->width = width;
  p->height = height;
  p->pixels = std::move(pixels);
  p->pixels.resize(static_cast<size_t>(width) * height, kBlack);
  return p;
}

}  // namespace kv
