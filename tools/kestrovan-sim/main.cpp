// kestrovan-sim: runs the game headless from a script, deterministically.
#include <charconv>
#include <cstring>
#include <iostream>
#include <string>

#include "game/platform/headless/files.h"
#include "tools/kestrovan-sim/sim_run.h"

namespace {

const char kUsage[] =
    "usage: kestrovan-sim [--dir DIR] [--seed N] [--script FILE] --ms N\n"
    "                     [--dump-state] [--sounds] [--dialogs] [--screenshot FILE.png]\n"
    "       kestrovan-sim --replay TRACE [--snapshot N] [--dir DIR] [--dump-state]\n"
    "                     [--screenshot FILE.png]\n"
    "\n"
    "Loads the game at virtual time 0 and runs it until virtual time N (or until it exits).\n"
    "Script lines are 'MS COMMAND ARGS', applied at virtual time MS:\n"
    "  keydown CODE [SHIFT]   key-down with its code (37 left, 39 right, 13 enter, 116 F5)\n"
    "                         and shift state (non-zero with Shift, Ctrl or Alt held);\n"
    "                         CODE may also be a name: left, right, enter, shift, ctrl, alt,\n"
    "                         f5, p, pause. During play 'keydown p' (80) or 'keydown pause'\n"
    "                         (19) pauses: timers and sound hold, the picture shows PAUSE;\n"
    "                         the same key resumes\n"
    "  keyup CODE             key-up\n"
    "  menu NAME              clicks a menu item: mnuStart, mnuHard, mnuFast, mnuSound, ...\n"
    "  answer [TEXT]          the next dialog closes with TEXT (alone: Cancel)\n"
    "  dblclick               double-click on the form\n"
    "  screenshot FILE        writes the screen at that moment (.png, or .ppm)\n"
    "--dump-state prints every game field, timer, menu check mark and label; --sounds prints\n"
    "each sound and music call as 'MS file-or-command' (a pause holds the sound: 'hold',\n"
    "'release'); --dialogs each closed box as\n"
    "'OPENED CLOSED input|message TITLE | TEXT | ANSWER'. The same script and seed give the\n"
    "same output on every run.\n"
    "DIR is the program's folder: the INI file \"Ruziz Kestrovan.ini\" is read there at load\n"
    "and written there at the name entry and at exit (menu mnuExit); the sound and music\n"
    "files are looked up there without regard to letter case. When DIR takes no writes, the\n"
    "INI file is kept in $XDG_CONFIG_HOME/ruziz-kestrovan/ (~/.config by default) instead,\n"
    "first copied from DIR; a save that fails is said on standard error.\n"
    "--replay runs a desktop run's event trace (written by Kestrovan with KESTROVAN_TRACE set)\n"
    "up to its snapshot N, or to its end.\n";

template <typename T>
bool Number(const char* s, T& v) {
  auto [end, ec] = std::from_chars(s, s + std::strlen(s), v);
  return ec == std::errc() && *end == '\0';
}

int Fail(const std::string& why) {
  std::cerr << "kestrovan-sim: " << why << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kv::sim::Options o;
  std::string scriptFile;
  bool haveMs = false;
  std::string replayFile;
  int snapshot = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char*& v) {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--dump-state") {
      o.dumpState = true;
    } else if (a == "--sounds") {
      o.sounds = true;
    } else if (a == "--dialogs") {
      o.dialogs = true;
    } else if (a == "--dir") {
      if (!value(v)) return Fail("--dir needs a folder");
      o.dir = v;
    } else if (a == "--seed") {
      if (!value(v) || !Number(v, o.seed)) return Fail("--seed needs a number");
    } else if (a == "--script") {
      if (!value(v)) return Fail("--script needs a file");
      scriptFile = v;
    } else if (a == "--ms") {
      if (!value(v) || !Number(v, o.ms) || o.ms < 0) return Fail("--ms needs a time in milliseconds");
      haveMs = true;
    } else if (a == "--replay") {
      if (!value(v)) return Fail("--replay needs a trace file");
      replayFile = v;
    } else if (a == "--snapshot") {
      if (!value(v) || !Number(v, snapshot) || snapshot < 1) return Fail("--snapshot needs a number from 1");
    } else if (a == "--screenshot") {
      if (!value(v)) return Fail("--screenshot needs a file");
      o.screenshot = v;
    } else {
      return Fail("unknown argument '" + a + "'");
    }
  }
  if (!replayFile.empty()) return kv::sim::RunReplay(replayFile, snapshot, o, std::cout, std::cerr);
  if (!haveMs) return Fail("--ms is required");
  if (!scriptFile.empty()) {
    std::string text, error;
    if (!kv::ReadTextFile(scriptFile, text, error)) return Fail(error);
    if (!kv::sim::ParseScript(text, o.script, error)) return Fail(scriptFile + ": " + error);
  }
  return kv::sim::Run(o, std::cout, std::cerr);
}
