#pragma once
// The conversions the settings and the high score need between values and their stored text.
#include <optional>
#include <string>

namespace kv {

// "True" or "False" in any letter case, or a number (non-zero is True); nullopt for anything
// else.
std::optional<bool> BooleanFromText(const std::string& text);

// A decimal number, blanks around it allowed; nullopt for anything else.
std::optional<double> NumberFromText(const std::string& text);

const char* BooleanText(bool b);  // "True" or "False"

}  // namespace kv
