#pragma once
// The program itself on the desktop: its folder (where the executable lies), the main loop,
// and the ways a session ends it: the termination signals of a log-off or shutdown, and the
// loss of the display. Each of them unloads the form, which happens once.
#include <functional>
#include <string>

#include "game/platform/ports.h"

typedef struct _GMainLoop GMainLoop;

namespace kv {

class DesktopHost : public ProgramHost {
 public:
  DesktopHost();
  ~DesktopHost() override;
  DesktopHost(const DesktopHost&) = delete;
  DesktopHost& operator=(const DesktopHost&) = delete;

  std::string ProgramFolder() const override { return folder_; }
  std::string ConfigFolder() const override;
  void ReportProblem(const std::string& text) override;
  void EndProgram() override;
  void OnEnd(std::function<void()> end) { onEnd_ = std::move(end); }

  void Run();  // until EndProgram
  void WatchSessionEnd(std::function<void()> unload);
  // SIGUSR1 asks for a snapshot (used with the event trace).
  void WatchSnapshotRequests(std::function<void()> snapshot);

 private:
  std::string folder_;
  GMainLoop* loop_;
  bool ended_ = false;
  std::function<void()> onEnd_;
  std::function<void()> unload_;
  std::function<void()> snapshot_;
};

// Starts the toolkit on the display; false when no display can be opened.
bool StartToolkit(int* argc, char*** argv);
// Stops the whole process until it is continued from outside (a tester looking at a
// snapshot).
void StopUntilContinued();

// The folder of the running executable, without a trailing slash; "." when unknown.
std::string ExecutableFolder();

}  // namespace kv
