#include "entry_name.h"

#include <cstring>

#include "sanitize_entry_path.h"

std::u16string decode_entry_name(const char* stored, uint16_t attributes) {
  std::string bytes = stored ? stored : "";
  if (attributes & ATTRIBUTE_NAME_IS_UTF8) {
    std::u16string out;
    utf8_to_utf16(bytes, out);
    return out;
  }
  return cp932_to_utf16(bytes);
}

std::u16string safe_entry_path(const char* stored, uint16_t attributes) {
  std::u16string text = decode_entry_name(stored, attributes);
  for (char16_t& c : text)
    if (c == u'\\' || c == u'/' || c == 0xFFFF) c = u'/';
  if (!text.empty()) sanitize_entry_path(text, u'/');
  return text;
}

std::string bare_cabinet_name(const char* stored) {
  std::string name = stored ? stored : "";
  size_t separator = name.find_last_of("/\\");
  if (separator != std::string::npos) name.erase(0, separator + 1);
  return name == "." || name == ".." ? std::string() : name;
}

void keep_bare_cabinet_name(char* stored) {
  if (!stored) return;
  std::string name = bare_cabinet_name(stored);
  std::memmove(stored, name.c_str(), name.size() + 1);
}
