// Text encodings shared by the installer and the game: UTF-8, UTF-16 and the Japanese ANSI
// code page CP932, in which files from the original platform arrive.
#pragma once

#include <string>

std::string utf16_to_utf8(const std::u16string& text);
// Returns false (and leaves `out` with U+FFFD for bad sequences) when `bytes` is not valid UTF-8.
bool utf8_to_utf16(const std::string& bytes, std::u16string& out);
// Bytes that are not valid CP932 become U+FFFD.
std::u16string cp932_to_utf16(const std::string& bytes);
