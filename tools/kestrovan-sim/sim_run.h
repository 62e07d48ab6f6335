#pragma once
// Runs the form on the headless platform from a script and reports what it did.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/kestrovan-sim/sim_script.h"

namespace kv::sim {

struct Options {
  std::string dir;  // program folder; empty: a fresh temporary folder
  uint64_t seed = 1;
  std::vector<Command> script;
  int64_t ms = 0;   // the run ends at this virtual time
  bool dumpState = false;
  bool sounds = false;
  bool dialogs = false;
  std::string screenshot;
};

// Writes the report to out and problems to err; returns the exit status.
int Run(const Options& options, std::ostream& out, std::ostream& err);
// Replays a desktop event trace up to its snapshot (0: its end); uses dir, dumpState and
// screenshot of the options.
int RunReplay(const std::string& traceFile, int snapshot, const Options& options, std::ostream& out,
              std::ostream& err);

}  // namespace kv::sim
