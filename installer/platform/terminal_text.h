// Text from a package on its way to a terminal: control characters (escape sequences, the
// bell, line ends) are shown as \xHH and never reach the terminal as they stand.
#pragma once

#include <string>

namespace platform {

std::string escape_control_characters(const std::string& utf8);

}  // namespace platform
