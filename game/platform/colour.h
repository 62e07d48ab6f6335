#pragma once
// Colours as 0x00RRGGBB. The engine finds collisions by comparing exact values, so these are
// the only colours sprites and drawings may use where the engine reads pixels back.
#include <cstdint>

namespace kv {

using Colour = uint32_t;

constexpr Colour Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

constexpr Colour kBlack = Rgb(0, 0, 0);
constexpr Colour kWhite = Rgb(255, 255, 255);
constexpr Colour kRed = Rgb(255, 0, 0);
constexpr Colour kGreen = Rgb(0, 255, 0);
constexpr Colour kCyan = Rgb(0, 255, 255);
constexpr Colour kDarkRed = Rgb(192, 0, 0);
constexpr Colour kLightGrey = Rgb(192, 192, 192);
constexpr Colour kGrey = Rgb(128, 128, 128);

// What a pixel read outside the client area yields: not black and no colour of the game.
constexpr Colour kOutside = 0xFFFFFFFFu;

}  // namespace kv
