// Kestrovan: Ruziz Kestrovan on the desktop.
#include <cstdio>

#include "game/app/desktop_game.h"

int main(int argc, char** argv) {
  if (!kv::StartToolkit(&argc, &argv)) {
    std::fprintf(stderr, "Kestrovan: cannot open the display\n");
    return 1;
  }
  kv::DesktopGame game;
  return game.Run();
}
