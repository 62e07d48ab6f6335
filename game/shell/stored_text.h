#pragma once
// Text as the INI file holds it. The game writes UTF-8; files from the Japanese original
// platform hold CP932, so bytes that are not valid UTF-8 are read as CP932.
#include <cstddef>
#include <string>

namespace kv {

// The stored bytes as UTF-8.
std::string DecodeStoredText(const std::string& bytes);

// At most max bytes of the stored text, in its own encoding, without cutting a character.
std::string CutStoredText(const std::string& bytes, size_t max);

// The first n characters (code points) of UTF-8 text.
std::string LeftChars(const std::string& text, size_t n);

// ASCII letters compared without regard to case; every other byte as it is.
bool SameTextNoCase(const std::string& a, const std::string& b);

}  // namespace kv
