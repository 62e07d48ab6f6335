#include "game/shell/stored_text.h"

#include "common/text/text_codec.h"

namespace kv {

namespace {

bool IsUtf8(const std::string& bytes) {
  std::u16string ignored;
  return utf8_to_utf16(bytes, ignored);
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool IsCp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string DecodeStoredText(const std::string& bytes) {
  if (IsUtf8(bytes)) return bytes;
  return utf16_to_utf8(cp932_to_utf16(bytes));
}

std::string CutStoredText(const std::string& bytes, size_t max) {
  if (bytes.size() <= max) return bytes;
  size_t end = 0;
  if (IsUtf8(bytes)) {
    end = max;
    while (end > 0 && IsContinuation(bytes[end])) --end;
  } else {
    for (size_t len; end < bytes.size(); end += len) {
      len = IsCp932Lead(static_cast<unsigned char>(bytes[end])) ? 2 : 1;
      if (end + len > max) break;
    }
  }
  return bytes.substr(0, end);
}

std::string LeftChars(const std::string& text, size_t n) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsContinuation(text[i])) continue;
    if (chars++ == n) return text.substr(0, i);
  }
  return text;
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

}  // namespace kv
