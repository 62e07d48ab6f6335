// The package's command line. Without arguments a package runs as it always has; the options
// are for scripts and for people who ship the package.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class RunMode { Install, List, Check, Uninstall, Help };

// What to do with a file that already exists in the destination.
enum class OverwritePolicy { Ask, All, None };

// Launcher bits of --launchers, in the order of the install dialog's boxes.
constexpr uint8_t LAUNCHER_MENU = 0x01;
constexpr uint8_t LAUNCHER_DESKTOP = 0x02;
constexpr uint8_t LAUNCHER_SEND_TO = 0x04;

struct CommandLine {
  RunMode mode = RunMode::Install;
  bool given = false;  // any argument at all: a plain run has none
  std::optional<std::string> target;
  bool yes = false;
  // Unset: ask (none under --yes).
  std::optional<OverwritePolicy> overwrite;
  bool quiet = false;
  // Unset: the package's own choice; else exactly these launchers (0 with --no-launchers).
  std::optional<uint8_t> launchers;

  OverwritePolicy overwrite_policy() const {
    return overwrite.value_or(yes ? OverwritePolicy::None : OverwritePolicy::Ask);
  }
};

struct ParsedCommandLine {
  bool ok = false;
  CommandLine line;
  std::string error;  // when not ok: what was wrong, for "vexasfx: ERROR" before the usage
};

// argv without the program name.
ParsedCommandLine parse_command_line(const std::vector<std::string>& arguments);

// The --help text (ends with a newline).
const char* usage_text();

// Exit status of a command line that cannot be understood.
constexpr int EXIT_USAGE = 2;
