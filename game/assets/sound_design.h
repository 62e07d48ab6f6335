#pragma once
// The game's ten sound effects, synthesised: march notes, laser, explosions, mothership,
// start jingle and the mothership hit.
#include <cstdint>
#include <string>
#include <vector>

namespace kv::assets {

struct SoundAsset {
  std::string fileName;  // as the package spells it
  std::vector<uint8_t> wav;
};

std::vector<SoundAsset> GenerateSounds();

}  // namespace kv::assets
