// Stored cabinet names as the installer and the tools see them: decoded (UTF-8 when the file's
// attribute 0x80 says so, else the Japanese ANSI code page CP932), separators unified to '/',
// and made safe.
#pragma once

#include <cstdint>
#include <string>

constexpr uint16_t ATTRIBUTE_NAME_IS_UTF8 = 0x80;

// Bytes that are not valid in the chosen encoding become U+FFFD.
std::u16string decode_entry_name(const char* stored, uint16_t attributes);

// Decoded, every backslash, slash and U+FFFF turned into '/', then sanitize_entry_path.
std::u16string safe_entry_path(const char* stored, uint16_t attributes);

std::string utf16_to_utf8(const std::u16string& text);
// Returns false (and leaves `out` with U+FFFD for bad sequences) when `bytes` is not valid UTF-8.
bool utf8_to_utf16(const std::string& bytes, std::u16string& out);
std::u16string cp932_to_utf16(const std::string& bytes);
