// The installer's text: owned UTF-16 with a UTF-8 copy made when a narrow name is needed
// (the cabinet engine, the file system, the front ends).
#pragma once

#include <string>

#include "installer/frontend/entry_name.h"

// Bad sequences become U+FFFD.
inline std::u16string utf8_to_utf16(const std::string& text) {
  std::u16string out;
  utf8_to_utf16(text, out);
  return out;
}

class WideString {
 public:
  WideString() = default;
  WideString(std::u16string text) : text_(std::move(text)) {}
  WideString(const char16_t* text) : text_(text ? text : u"") {}

  static WideString from_utf8(const std::string& text) { return WideString(utf8_to_utf16(text)); }

  const std::u16string& str() const { return text_; }
  std::u16string& str() { return text_; }
  const char16_t* c_str() const { return text_.c_str(); }
  bool empty() const { return text_.empty(); }
  size_t size() const { return text_.size(); }
  std::string utf8() const { return utf16_to_utf8(text_); }

  bool operator==(const WideString& other) const = default;

 private:
  std::u16string text_;
};
