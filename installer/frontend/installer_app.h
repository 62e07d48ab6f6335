// The installer's one application object and the package settings. The only process-wide state
// is the pointer to the application the cabinet engine's file callbacks serve (below).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "installer/frontend/package_command_line.h"
#include "installer/frontend/manifest.h"
#include "installer/frontend/wide_string.h"
#include "installer/platform/output_writer.h"

namespace platform {
class InstallerUi;
class WorkerThread;
}  // namespace platform

// The package starts here in the stub's own file unless the packager patched the stub.
constexpr uint32_t PACKAGE_OFFSET = 50176;

// Private messages of the progress window.
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_INSTALL_START = 0x0400;
constexpr uint32_t WM_INSTALL_STATUS = 0x0401;  // sent; lparam: const char16_t* text
constexpr uint32_t WM_INSTALL_DONE = 0x0402;    // posted; lparam: 0 finished or cancelled, -1 failed
// The bar and the worker's questions are on the window thread too.
constexpr uint32_t WM_INSTALL_PROGRESS = 0x0403;   // sent; wparam: percent, lparam: bytes done
constexpr uint32_t WM_INSTALL_OVERWRITE = 0x0404;  // sent; lparam: const char16_t* message
constexpr uint32_t WM_INSTALL_CABINET = 0x0405;    // sent; lparam: CabNotification*
constexpr uint32_t ID_ABORT_BUTTON = 1000;

// Option flags of the three shortcuts.
constexpr uint8_t OPTION_OFFERED = 0x01;
constexpr uint8_t OPTION_CHECKED = 0x02;

constexpr char16_t DEFAULT_TITLE[] = u"Vexa SFX";

struct PackageHeader {
  uint8_t valid = 0;  // 1 only when every field was read
  WideString title;
  WideString default_folder;
  WideString program;
  WideString run_after;
  WideString shortcut_name;
  uint8_t start_menu = 0;
  uint8_t desktop = 0;
  uint8_t send_to = 0;
};

// Where the cabinet lies in the installer's own file: fixed before the worker starts, read by the
// seek callback afterwards.
struct CabinetPlacement {
  uint32_t cabinet_offset = 0;          // first byte after the settings block
  uint32_t files_offset = 0;            // the cabinet's coffFiles, as the prescan read it
  std::vector<uint32_t> folder_starts;  // every folder's coffCabStart, as the prescan read it
};

// Handles the engine holds on the installer's own file. Only their seeks are translated: another
// cabinet of a set may well hold one of the recorded offsets as an ordinary position.
class OwnFileHandles {
 public:
  void remember(int handle);
  void forget(int handle);
  bool contains(int handle) const;

 private:
  static constexpr int kCapacity = 8;  // the engine holds two at a time
  int slots_[kCapacity] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

// What the CabinetOpened notifications of one cab_extract call showed: the successor of the
// cabinet the call started with, and the folder of the last cabinet opened.
struct CabinetTrail {
  bool seen = false;
  std::string next_name;
  std::string path;
};

// How a run ended; the process exit status.
enum class InstallOutcome : int { Installed = 0, Failed = 1, Cancelled = 2 };

struct InstallerApp {
  platform::InstallerUi* main_window = nullptr;  // the progress window with its three controls
  uint64_t total_bytes = 0;
  uint64_t done_bytes = 0;
  uint32_t last_percent = 0;
  platform::WorkerThread* worker = nullptr;
  uint8_t overwrite_all = 0;
  uint8_t skip_all = 0;
  std::atomic<uint8_t> cancel_requested{0};  // the one field the window thread writes while the worker runs
  WideString destination;
  WideString module_path;
  PackageHeader settings;
  // Where the worker writes (the destination, opened as it starts); null outside extraction.
  platform::OutputWriter* output = nullptr;
  // The system calls the writer moves bytes with (tests inject faults here).
  platform::OutputSyscalls output_syscalls = platform::system_output_syscalls();
  // Set by whoever ends the run; the worker's values are read only after WM_INSTALL_DONE.
  InstallOutcome outcome = InstallOutcome::Installed;
  std::string failure_message;  // the one message a failure shows; empty: the damaged package
  // Beyond the package: the command line, and what this run wrote (kept only when the run was
  // started with options; written by the worker, read by the window thread after the worker's
  // last message).
  CommandLine options;
  Manifest record;
  // Files handed to the writer, not yet in the record: the writer thread fills in each one's
  // size and digest once it has its name; the worker reads them after the writer settled.
  std::deque<std::pair<std::u16string, platform::WrittenFile>> files_under_way;
  std::vector<std::u16string> kept_existing;  // existing files the overwrite answers kept
  CabinetPlacement placement;
  OwnFileHandles own_handles;  // the file callbacks' own, on whichever thread runs the engine
  CabinetTrail cabinet_trail;  // written by the notifications of the current cab_extract call
};

// The application the engine's file callbacks serve, or null. Those callbacks are plain functions
// without a context argument (the engine's interface), so this pointer is the one piece of
// process-wide state; ServedApp sets it for a scope and puts the previous value back.
extern InstallerApp* g_app;

class ServedApp {
 public:
  explicit ServedApp(InstallerApp& app) : previous_(g_app) { g_app = &app; }
  ~ServedApp() { g_app = previous_; }
  ServedApp(const ServedApp&) = delete;
  ServedApp& operator=(const ServedApp&) = delete;

 private:
  InstallerApp* previous_;
};
