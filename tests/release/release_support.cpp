#include "release_support.h"

#include <chrono>
#include <thread>

#include "background_process.h"
#include "installer/platform/process.h"
#include "installer_test_support.h"
#include "tests/game/support/raw_audio.h"
#include "virtual_display.h"

using namespace testsupport;

namespace release {

namespace {

std::string xprop(const std::string& display, const std::string& window, const std::string& property) {
  return run_process(platform::find_program("xprop"), {"-id", window, property}, "", "", {"DISPLAY=" + display})
      .output;
}

}  // namespace

std::string text_of(const std::string& path) {
  std::vector<uint8_t> bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

GameRun play_a_game(const std::string& program, const std::string& program_folder, const std::string& scratch) {
  write_file(program_folder + "/Ruziz Kestrovan.ini", "[Settings]\nSound=False\nMusic=True\n");
  GameRun run;
  VirtualDisplay display;
  if (display.name().empty()) return run;
  const std::string audio = scratch + "/out.raw";
  BackgroundProcess game(program, scratch,
                         {"DISPLAY=" + display.name(), "WAYLAND_DISPLAY=", "GTK_A11Y=none", "NO_AT_BRIDGE=1",
                          "SDL_AUDIODRIVER=disk",
                          "SDL_DISKAUDIOFILE=" + audio, "HOME=" + scratch, "XDG_CONFIG_HOME=" + scratch + "/config"});
  WindowInfo window;
  if (display.wait_for_window("^Ruziz Kestrovan$", window, 30)) {
    run.wm_class = xprop(display.name(), window.id, "WM_CLASS");
    run.icon = xprop(display.name(), window.id, "_NET_WM_ICON").find("Icon (64 x 64)") != std::string::npos;
    // The round's set-up takes a second, then the music starts. On a loaded machine the first
    // key can reach the window before the focus does, so it is pressed again when nothing
    // was heard.
    for (int attempt = 0; attempt < 3 && run.music_peak == 0; ++attempt) {
      display.xdotool({"windowfocus", "--sync", window.id, "key", "F5"});
      for (int wait = 0; wait < 40 && run.music_peak == 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        run.music_peak = kv::test::PeakOfRawAudio(audio);
      }
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    run.music_peak = kv::test::PeakOfRawAudio(audio);
  }
  run.output = game.output();
  return run;
}

}  // namespace release
