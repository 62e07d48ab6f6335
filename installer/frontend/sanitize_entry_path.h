// Turns a stored entry name into a path that can only land at or below the current directory.
#pragma once

#include <string>

// Rewrites `text` in place: leading separators, a drive prefix and every parent-folder step
// that follows a separator or a colon vanish, and every remaining ':' becomes '_'.
void sanitize_entry_path(std::u16string& text, char16_t separator);
