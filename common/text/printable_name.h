// Names from packages and cabinets on a terminal: control characters (below 0x20, and 0x7F)
// are shown as \xHH, so that no escape sequence or bell in a name reaches the terminal.
#pragma once

#include <string>

std::string printable_name(const std::string& utf8);
