#pragma once
// The simulator's script: one command per line, "MS COMMAND ARGS", applied at virtual time MS.
//   keydown CODE [SHIFT]   keyup CODE [SHIFT]   menu NAME   answer [TEXT]   dblclick
//   screenshot FILE
// Blank lines and lines starting with '#' are ignored. CODE is a number or one of left,
// right, enter, shift, ctrl, alt, f5, p, pause.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv::sim {

enum class CommandKind { KeyDown, KeyUp, Menu, Answer, DblClick, Screenshot };

struct Command {
  int64_t at = 0;
  CommandKind kind = CommandKind::KeyDown;
  int16_t code = 0;
  int16_t shift = 0;
  std::string name;                  // menu item or screenshot file
  std::optional<std::string> text;   // answer text; nullopt is Cancel
  int line = 0;
};

// Returns false with "line N: reason" in error on the first bad line.
bool ParseScript(const std::string& text, std::vector<Command>& commands, std::string& error);

}  // namespace kv::sim
