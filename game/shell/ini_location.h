#pragma once
// Where the INI file lives. Beside the program while the program's folder takes writes; a game
// installed where the player may not write (under /opt or /usr) keeps it in the player's
// configuration folder instead, seeded from the file beside the program. Every read and write
// of the INI file asks this one place.
#include <set>
#include <string>

#include "game/platform/ports.h"

namespace kv {

class IniLocation {
 public:
  explicit IniLocation(ProgramHost& host) : host_(host) {}

  // The file to read and write, given the file beside the program (`beside`): that file while
  // its folder takes writes and no save there has failed in this run; otherwise the fallback
  // under ConfigFolder(), first seeded with a copy of `beside` when the fallback does not exist
  // yet. `beside` when the host has no configuration folder, or when seeding failed and only
  // `beside` holds the settings (so they are still read).
  std::string Path(const std::string& beside);

  // Stores one value through the INI class. A write that fails is said on the host's problem
  // channel, with its cause, and made once more at the fallback, which then serves the rest of
  // the run. False when the value was stored nowhere.
  bool Set(const std::string& beside, const std::string& section, const std::string& key, const std::string& value);

  // The fallback file; empty when the host has no configuration folder.
  std::string Fallback(const std::string& beside) const;

 private:
  void Seed(const std::string& beside, const std::string& fallback);
  void Report(const std::string& text);

  ProgramHost& host_;
  bool besideFailed_ = false;
  std::set<std::string> reported_;  // each problem is said once per run
};

}  // namespace kv
