#pragma once
// The real Kestrovan, started from a fresh program folder (a copy of the program with its
// sounds and icon) on a test's display, with its event trace on, and driven from outside.
#include <sys/types.h>

#include <string>
#include <vector>

#include "game/platform/headless/files.h"

namespace kv::test {

class GameProcess {
 public:
  // Copies build/bin's Kestrovan and media into a temporary folder.
  GameProcess();
  ~GameProcess();  // kills the program if it still runs
  GameProcess(const GameProcess&) = delete;
  GameProcess& operator=(const GameProcess&) = delete;

  const std::string& folder() const { return folder_.path(); }
  bool Start(const std::string& display, const std::vector<std::string>& extraEnv = {});

  // Freezes the game on a snapshot: it puts its picture on the screen, marks the trace and
  // stops. False when it did not stop in time.
  bool Snapshot();
  void Continue();
  void Signal(int sig);
  // The exit status once it has ended, or -1 after the time-out.
  int WaitExit(int timeoutMs);
  std::string Trace() const;

 private:
  TempFolder folder_;
  TempFolder scratch_;  // the trace lives outside the program folder
  std::string traceName_;
  pid_t pid_ = -1;
};

// Runs xdotool on the display; true when it succeeded.
bool Xdotool(const std::string& display, const std::vector<std::string>& args);

std::string ReadFileText(const std::string& path);

}  // namespace kv::test
