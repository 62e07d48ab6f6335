// vexacab: list, extract and test cabinets with the installer's cabinet engine.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "installer/platform/output_writer.h"

namespace {

const char* const HELP =
    "usage: vexacab list CAB\n"
    "       vexacab extract [-d DIR] CAB\n"
    "       vexacab test CAB\n"
    "       vexacab --help\n"
    "\n"
    "Looks into cabinet archives (stored, MSZIP, LZX and Quantum folders, cabinet sets).\n"
    "\n"
    "  list     one line per file of CAB: size, date and time, attributes, folder, method, name.\n"
    "           Attributes: R read-only, H hidden, S system, A archive, X run after extraction,\n"
    "           U name stored as UTF-8 (else CP932). Folder 'prev', 'next' or 'both' marks a\n"
    "           file continued from the previous and/or into the next cabinet of a set.\n"
    "  extract  extracts the whole set that starts at CAB into DIR (default: the current\n"
    "           folder). Later cabinets are looked for beside CAB under the names CAB stores.\n"
    "           Names are made safe the way the installer makes them: backslashes and slashes\n"
    "           become folders, leading separators, drives and '..' steps are dropped, colons\n"
    "           become '_', so nothing lands outside DIR. Each file gets its stored time (as\n"
    "           local time); read-only files lose their write permission; programs (ELF or #!)\n"
    "           become executable. Existing files are replaced, each only once its new\n"
    "           content is complete (a hidden temporary file beside it, then renamed): a\n"
    "           failure or a signal leaves earlier files as they were. A link at a file's\n"
    "           name is replaced by the file; a folder below DIR that is a link is refused.\n"
    "           Next cabinets are looked for by their bare file name beside CAB.\n"
    "  test     decodes everything in the set and verifies the checksums, writing nothing.\n"
    "\n"
    "Exit status 0 on success. On failure vexacab prints 'vexacab: NAME (detail)', NAME being\n"
    "the engine's error (OpenFailed, BadSignature, BadVersion, CorruptData, NoMemory,\n"
    "UnknownMethod, DecoderFailed, OutputFailed, ReserveSizeChanged, WrongSetMember, Aborted),\n"
    "and exits 1. SIGINT, SIGTERM and SIGHUP remove the file being written and exit 2.\n";

int usage_error(const std::string& why) {
  std::fprintf(stderr, "vexacab: %s\n%s", why.c_str(), HELP);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::cancel_outputs_on_signals(2);
  if (argc < 2) return usage_error("no command given");
  std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(HELP, stdout);
    return 0;
  }
  if (command == "list" || command == "test") {
    if (argc != 3) return usage_error(command + " takes one cabinet");
    return command == "list" ? vexacab::list_cabinet(argv[2]) : vexacab::test_set(argv[2]);
  }
  if (command == "extract") {
    std::string directory = ".";
    std::string cabinet;
    for (int i = 2; i < argc; ++i) {
      if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc) {
        directory = argv[++i];
      } else if (cabinet.empty()) {
        cabinet = argv[i];
      } else {
        return usage_error("extract takes one cabinet");
      }
    }
    if (cabinet.empty()) return usage_error("extract needs a cabinet");
    return vexacab::extract_set(cabinet, directory);
  }
  return usage_error("unknown command '" + command + "'");
}
