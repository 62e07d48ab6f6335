// kv-assetgen: writes the game's generated files (sound effects, background piece, icon)
// into a folder. Run by the build so the files sit beside the program. With --icon it writes
// the icon alone at another size (the desktop's icon theme wants several).
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "game/assets/icon.h"
#include "game/assets/midi.h"
#include "game/assets/sound_design.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/image_file.h"

int main(int argc, char** argv) {
  const bool icon = argc == 4 && !std::strcmp(argv[1], "--icon");
  const int size = icon ? std::atoi(argv[2]) : 0;
  if ((argc != 2 && !icon) || (icon && (size < 32 || size > 1024))) {
    std::cerr << "usage: kv-assetgen OUTPUT-FOLDER\n       kv-assetgen --icon SIZE FILE.png (SIZE 32 to 1024)\n";
    return 2;
  }
  const std::string dir = icon ? "." : argv[1];
  std::string error;
  auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    if (kv::WriteFile(name[0] == '/' ? name : dir + "/" + name, bytes, error)) return true;
    std::cerr << "kv-assetgen: " << error << "\n";
    return false;
  };
  if (icon) return write(argv[3], kv::EncodePng(kv::assets::IconPixels(size), size, size)) ? 0 : 1;
  for (const kv::assets::SoundAsset& s : kv::assets::GenerateSounds())
    if (!write(s.fileName, s.wav)) return 1;
  if (!write("bgm.mid", kv::assets::EncodeMidi(kv::assets::BackgroundSong()))) return 1;
  const int n = kv::assets::kIconSize;
  if (!write("Kestrovan.png", kv::EncodePng(kv::assets::IconPixels(), n, n))) return 1;
  return 0;
}
