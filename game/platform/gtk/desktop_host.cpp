#include "game/platform/gtk/desktop_host.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "common/toolkit/system_data_dirs.h"
#include "game/platform/file_store.h"

namespace kv {

namespace {

constexpr char kWindowClass[] = "Kestrovan";
constexpr char kIconFile[] = "Kestrovan.png";

std::function<void()>* displayLost = nullptr;

// The display went away (the session ended under us): save what can be saved, then end.
int OnDisplayLost(Display*) {
  if (displayLost && *displayLost) (*displayLost)();
  _exit(0);
}

gboolean OnSignal(gpointer f) {
  (*static_cast<std::function<void()>*>(f))();
  return G_SOURCE_CONTINUE;
}

}  // namespace

// The window's class (WM_CLASS, and the application id on Wayland) matches StartupWMClass of
// the game's launchers, so docks group the window with its launcher; its icon is the one
// beside the program.
bool StartToolkit(int* argc, char*** argv) {
  g_set_prgname(kWindowClass);
  gdk_set_program_class(kWindowClass);
  kv::toolkit::give_toolkit_system_data_dirs();
  if (!gtk_init_check(argc, argv)) return false;
  std::string folder = ExecutableFolder();
  std::string icon = FindNameNoCase(folder, kIconFile);
  if (!icon.empty()) gtk_window_set_default_icon_from_file((folder + "/" + icon).c_str(), nullptr);
  return true;
}

void StopUntilContinued() { raise(SIGSTOP); }

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

DesktopHost::DesktopHost() : folder_(ExecutableFolder()), loop_(g_main_loop_new(nullptr, FALSE)) {}

DesktopHost::~DesktopHost() {
  if (displayLost == &unload_) displayLost = nullptr;
  g_main_loop_unref(loop_);
}

std::string DesktopHost::ConfigFolder() const { return UserConfigFolder(); }

void DesktopHost::ReportProblem(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void DesktopHost::EndProgram() {
  if (ended_) return;
  ended_ = true;
  if (onEnd_) onEnd_();
  g_main_loop_quit(loop_);
}

void DesktopHost::Run() {
  if (!ended_) g_main_loop_run(loop_);
}

void DesktopHost::WatchSessionEnd(std::function<void()> unload) {
  unload_ = std::move(unload);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) g_unix_signal_add(sig, OnSignal, &unload_);
  displayLost = &unload_;
  if (GDK_IS_X11_DISPLAY(gdk_display_get_default())) XSetIOErrorHandler(OnDisplayLost);
}

void DesktopHost::WatchSnapshotRequests(std::function<void()> snapshot) {
  snapshot_ = std::move(snapshot);
  g_unix_signal_add(SIGUSR1, OnSignal, &snapshot_);
}

}  // namespace kv
