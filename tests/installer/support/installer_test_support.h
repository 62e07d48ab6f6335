// Shared helpers for the installer's tests: temporary folders, packages built in memory, a
// window thread running the front end's loop, and child processes with scripted input.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cab_set_writer.h"
#include "installer/frontend/installer_app.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/scripted/scripted_ui.h"
#include "package_writer.h"

namespace testsupport {

// A fresh folder under /tmp, removed with everything in it at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The current directory changed for the scope.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& path);
  ~ScopedChdir();

 private:
  std::string previous_;
};

void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
void write_file(const std::string& path, const std::string& text);
std::vector<uint8_t> read_file(const std::string& path);
bool exists(const std::string& path);
uint32_t mode_of(const std::string& path);  // permission bits
int64_t mtime_of(const std::string& path);  // seconds
// The DOS date and time taken as local time, as seconds since the epoch.
int64_t local_time_of(uint16_t dos_date, uint16_t dos_time);
std::vector<std::string> list_tree(const std::string& folder);  // relative paths of regular files

// Everything under a folder, links not followed: relative path -> kind, mode and content (a
// file's bytes, a link's target). Two snapshots compare equal when nothing below changed.
using TreeSnapshot = std::map<std::string, std::string>;
TreeSnapshot snapshot_tree(const std::string& folder);
// The paths that differ between two snapshots (added, removed or changed), sorted.
std::vector<std::string> tree_changes(const TreeSnapshot& before, const TreeSnapshot& after);
// Names in the tree that look like a temporary output file.
std::vector<std::string> temporary_files(const TreeSnapshot& tree);

// A parameterized case's description as a test name: every other character becomes '_'.
std::string test_name_of(const std::string& description);

// Disk faults for the output writer's system calls: the n-th write call (1-based) fails with
// `error`; with `shorten`, every call takes that many bytes less than offered; with `pause_us`,
// every call first sleeps that long (a slow disk). One at a time.
struct WriteFaults {
  int fail_at = 0;
  int error = 0;
  size_t shorten = 0;
  int calls = 0;
  unsigned pause_us = 0;
};
platform::OutputSyscalls faulty_output_syscalls(const WriteFaults& faults);
// The bytes the faulty writes have taken since faulty_output_syscalls(); read it where the
// writes are made, or after they are done.
uint64_t bytes_taken_by_faulty_writes();

cabwriter::SourceFile source_file(const std::string& name, std::vector<uint8_t> data,
                                  uint16_t attributes = 0x20);
std::vector<uint8_t> pattern_bytes(size_t size, uint32_t seed);

// A package whose "stub" is PACKAGE_OFFSET bytes of zeros, as the frontend reads it in-process.
std::vector<uint8_t> package_without_stub(const vexapack::PackageSettings& settings,
                                          const std::vector<uint8_t>& cabinet);

// The settings of the shipped package.
vexapack::PackageSettings shipped_settings(const std::string& program);

// Two MSZIP folders, first.txt (20000 bytes) then second.bin (200000 bytes) with a byte of its
// fourth data block flipped; shipped settings for second.bin with a ticked desktop launcher.
struct DamagedPackageParts {
  vexapack::PackageSettings settings;
  std::vector<uint8_t> cabinet;
  std::vector<cabwriter::SourceFile> intact_files;  // the first folder's, written before the damage
};
DamagedPackageParts damaged_second_file_package();

// Six stored files of 30000 bytes (file0 to file5) cut into a set of three cabinets.
struct ThreeCabinetSet {
  cabwriter::SourceFolder folder;
  std::vector<cabwriter::CabinetImage> cabinets;
};
ThreeCabinetSet three_cabinet_set();

// What the release build packed: the program, then the packed files in the cabinet's order,
// one per line of the list the build writes beside the package.
struct PackageContents {
  std::string program;
  std::vector<std::string> sources;
};
PackageContents read_package_contents(const std::string& list_path);

// Runs the installer's window loop on its own thread with the scripted front end; the test's
// thread plays the worker.
class WindowThread {
 public:
  WindowThread(InstallerApp& app, platform::ScriptedUi& ui);
  ~WindowThread();  // quits the loop and joins

 private:
  platform::ScriptedUi& ui_;
  std::thread thread_;
};

struct ProcessResult {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

// Environment of a child: ours, with NAME=VALUE entries replaced or added; "NAME=" alone with
// nothing after it removes NAME.
std::vector<std::string> child_environment(const std::vector<std::string>& changes);

// Runs a program with the given input, folder and extra environment (NAME=VALUE); waits at most
// `timeout_seconds`.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& input, const std::string& directory,
                          const std::vector<std::string>& environment, int timeout_seconds = 120);

}  // namespace testsupport
