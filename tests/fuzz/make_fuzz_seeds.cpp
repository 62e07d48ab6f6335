// Writes the seed cabinets into a corpus folder.
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz_entry.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR\n");
    return 2;
  }
  int n = 0;
  for (const auto& seed : fuzz_seed_cabinets()) {
    std::ofstream out(std::string(argv[1]) + "/seed-" + std::to_string(n++) + ".cab", std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.data()), std::streamsize(seed.size()));
  }
  std::printf("%d seed cabinets\n", n);
  return 0;
}
