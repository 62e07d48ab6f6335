// kv-assetgen: writes the game's generated files (sound effects, background piece, icon)
// into a folder. Run by the build so the files sit beside the program.
#include <iostream>
#include <string>

#include "game/assets/icon.h"
#include "game/assets/midi.h"
#include "game/assets/sound_design.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/image_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kv-assetgen OUTPUT-FOLDER\n";
    return 2;
  }
  const std::string dir = argv[1];
  std::string error;
  auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    if (kv::WriteFile(dir + "/" + name, bytes, error)) return true;
    std::cerr << "kv-assetgen: " << error << "\n";
    return false;
  };
  for (const kv::assets::SoundAsset& s : kv::assets::GenerateSounds())
    if (!write(s.fileName, s.wav)) return 1;
  if (!write("bgm.mid", kv::assets::EncodeMidi(kv::assets::BackgroundSong()))) return 1;
  const int n = kv::assets::kIconSize;
  if (!write("Kestrovan.png", kv::EncodePng(kv::assets::IconPixels(), n, n))) return 1;
  return 0;
}
