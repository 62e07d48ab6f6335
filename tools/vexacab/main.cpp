// vexacab: creates, lists, inspects, extracts and tests cabinets with the installer's engine and
// the cabinet writer.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "installer/platform/output_writer.h"

namespace {

const char* const USAGE =
    "usage: vexacab create [-m METHOD] [--max-size BYTES] [--folder-size BYTES]\n"
    "                      [--reserve H,F,D] [--set-id N] -o OUT.cab PATH...\n"
    "       vexacab list [-l] CAB\n"
    "       vexacab info CAB\n"
    "       vexacab extract [-d DIR] [-i] [-p | -n] CAB [PATTERN...]\n"
    "       vexacab test CAB\n"
    "       vexacab --help | --version\n";

const char* const DETAILS =
    "\n"
    "Creates and looks into cabinet archives (stored, MSZIP, LZX and Quantum folders, sets).\n"
    "\n"
    "  create   packs files and folders (recursively) into OUT.cab. Each file is stored under\n"
    "           its path relative to its PATH's parent, with backslash separators ('.' stores\n"
    "           a folder's contents from the top), in the order given, each folder's entries\n"
    "           sorted; with its modification time, read-only when it has no owner write\n"
    "           permission, its name flagged as UTF-8 when it is not ASCII. Links to files are\n"
    "           followed; links to folders, devices, pipes and sockets are skipped (named on\n"
    "           standard error), and empty folders are not stored.\n"
    "    -m, --method METHOD  none, mszip (default), lzx:N (window bits N 15 to 21),\n"
    "                         lzx:N:max (the same at the highest effort: smaller, several\n"
    "                         times slower) or quantum:N (10 to 21).\n"
    "    --max-size BYTES     cuts a set of cabinets no larger than BYTES each, named OUT.cab,\n"
    "                         OUT2.cab, OUT3.cab, ... and naming each other.\n"
    "    --folder-size BYTES  starts a new folder once one holds about BYTES uncompressed; a\n"
    "                         file is then extracted without decoding the whole archive.\n"
    "    --reserve H,F,D      reserves H bytes in the header (0 to 60000) and F and D bytes\n"
    "                         (0 to 255) in each folder and data record, zero-filled.\n"
    "    --set-id N           the set ID, 0 to 65535 (default 0).\n"
    "           BYTES takes a K, M or G suffix (1024, 1048576, 1073741824). Refused: a file of\n"
    "           4 GiB or more (or over 2147450880 bytes, the most a folder holds), a name over\n"
    "           255 bytes or not UTF-8, two files under one name, more than 65535 files in one\n"
    "           cabinet.\n"
    "  list     one line per file of CAB: size, date and time, attributes, folder, method, name.\n"
    "           Attributes: R read-only, H hidden, S system, A archive, X run after extraction,\n"
    "           U name stored as UTF-8 (else CP932). Folder 'prev', 'next' or 'both' marks a\n"
    "           file continued from the previous and/or into the next cabinet of a set.\n"
    "    -l, --long           adds each file's offset in its folder's uncompressed data.\n"
    "  info     the header of CAB (version, size, set ID and index, flags, reserve sizes,\n"
    "           previous and next cabinet and disk) and per folder its method and window, data\n"
    "           blocks, compressed and uncompressed bytes and ratio.\n"
    "  extract  extracts the set that starts at CAB into DIR (default: the current folder).\n"
    "           Later cabinets are looked for beside CAB under the names CAB stores. With\n"
    "           PATTERNs only the files whose names match one of them: shell-style (*, ?,\n"
    "           [...]) against the whole name with '/' between folders, '*' matching across\n"
    "           them (quote patterns from the shell). A pattern that matches nothing is an\n"
    "           error. Names are made safe the way the installer makes them: backslashes and\n"
    "           slashes become folders, leading separators, drives and '..' steps are dropped,\n"
    "           colons become '_', so nothing lands outside DIR. Each file gets its stored time\n"
    "           (as local time); read-only files lose their write permission; programs (ELF or\n"
    "           #!) become executable. Existing files are replaced, each only once its new\n"
    "           content is complete (a hidden temporary file beside it, then renamed): a\n"
    "           failure or a signal leaves earlier files as they were. A link at a file's\n"
    "           name is replaced by the file; a folder below DIR that is a link is refused.\n"
    "           Next cabinets are looked for by their bare file name beside CAB.\n"
    "    -i, --ignore-case    patterns match regardless of case.\n"
    "    -p, --pipe           writes the chosen files' bytes to standard output, one after\n"
    "                         the other in cabinet order; nothing goes to disk.\n"
    "    -n, --dry-run        names each file that would be written, writes nothing.\n"
    "  test     decodes everything in the set and verifies the checksums, writing nothing.\n"
    "\n"
    "A progress line appears on standard error when it is a terminal and the work lasts more\n"
    "than a second.\n"
    "\n"
    "Exit status 0 on success, 2 for unusable arguments. On failure vexacab prints\n"
    "'vexacab: NAME (detail)' and exits 1; NAME is the engine's error (OpenFailed,\n"
    "BadSignature, BadVersion, CorruptData, NoMemory, UnknownMethod, DecoderFailed,\n"
    "OutputFailed, ReserveSizeChanged, WrongSetMember, Aborted), NoMatch for a pattern that\n"
    "matched no file, or CreateFailed. SIGINT, SIGTERM, SIGHUP and SIGPIPE (a reader that\n"
    "went away) remove the file being written and exit 2.\n";

int usage_error(const std::string& why) {
  std::fprintf(stderr, "vexacab: %s\n%s(vexacab --help says more)\n", why.c_str(), USAGE);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  platform::cancel_outputs_on_signals(2);
  if (argc < 2) return usage_error("no command given");
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(USAGE, stdout);
    std::fputs(DETAILS, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("vexacab %s\n", VEXACAB_VERSION);
    return 0;
  }
  if (command == "list") {
    bool long_format = !args.empty() && (args[0] == "-l" || args[0] == "--long");
    if (long_format) args.erase(args.begin());
    if (args.size() != 1) return usage_error("list takes one cabinet");
    return vexacab::list_cabinet(args[0], long_format);
  }
  if (command == "test" || command == "info") {
    if (args.size() != 1) return usage_error(command + " takes one cabinet");
    return command == "test" ? vexacab::test_set(args[0]) : vexacab::show_info(args[0]);
  }
  if (command == "extract") {
    vexacab::ExtractOptions options;
    std::string error = vexacab::parse_extract(args, &options);
    return error.empty() ? vexacab::extract_set(options) : usage_error(error);
  }
  if (command == "create") {
    vexacab::CreateOptions options;
    std::string error = vexacab::parse_create(args, &options);
    return error.empty() ? vexacab::create_cabinet(options) : usage_error(error);
  }
  return usage_error("unknown command '" + command + "'");
}
