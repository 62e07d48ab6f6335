// The release as a user gets it: the game started from an installed tree on a virtual display
// of its own, with SDL's disk audio driver standing in for the sound card.
#pragma once

#include <string>

namespace release {

struct GameRun {
  std::string wm_class;  // xprop's WM_CLASS line; empty when no window came up
  bool icon = false;     // the window carries an icon
  int music_peak = 0;    // the loudest sample while a game ran, with the effects switched off
  std::string output;    // what the game printed
};

// Starts `program`, whose files lie in `program_folder`, with the effects switched off in the
// INI file there, starts a game with F5 and listens to it for a few seconds. `scratch` takes
// the audio and a home folder.
GameRun play_a_game(const std::string& program, const std::string& program_folder, const std::string& scratch);

std::string text_of(const std::string& path);

}  // namespace release
