// Stored cabinet names as the installer and the tools see them: decoded (UTF-8 when the file's
// attribute 0x80 says so, else the Japanese ANSI code page CP932), separators unified to '/',
// and made safe.
#pragma once

#include <cstdint>
#include <string>

#include "common/text/text_codec.h"

constexpr uint16_t ATTRIBUTE_NAME_IS_UTF8 = 0x80;

// Bytes that are not valid in the chosen encoding become U+FFFD.
std::u16string decode_entry_name(const char* stored, uint16_t attributes);

// A next-cabinet name as stored may hold a path ("../other/x2.cab", "/abs/x2.cab"): only its
// last component is used, and it is looked for only where the client chooses.
std::string bare_cabinet_name(const char* stored);
// The same, in place, in an engine-owned buffer (the result is never longer).
void keep_bare_cabinet_name(char* stored);

// Decoded, every backslash, slash and U+FFFF turned into '/', then sanitize_entry_path.
std::u16string safe_entry_path(const char* stored, uint16_t attributes);
