#include "common/text/text_codec.h"

#include <iconv.h>

#include <cstdint>

namespace {

constexpr char16_t REPLACEMENT = 0xFFFD;

void append_code_point(std::u16string& out, uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(char16_t(cp));
  }
}

}  // namespace

bool utf8_to_utf16(const std::string& bytes, std::u16string& out) {
  out.clear();
  bool valid = true;
  size_t i = 0;
  while (i < bytes.size()) {
    uint8_t lead = uint8_t(bytes[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + size_t(extra) >= bytes.size()) {
      valid = false;
      out.push_back(REPLACEMENT);
      ++i;
      continue;
    }
    uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      uint8_t c = uint8_t(bytes[i + size_t(k)]);
      if ((c & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = cp << 6 | (c & 0x3F);
    }
    static const uint32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      valid = false;
      out.push_back(REPLACEMENT);
      ++i;
      continue;
    }
    append_code_point(out, cp);
    i += size_t(extra) + 1;
  }
  return valid;
}

std::string utf16_to_utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = REPLACEMENT;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | cp >> 6));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | cp >> 12));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | cp >> 18));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string cp932_to_utf16(const std::string& bytes) {
  std::u16string out;
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  if (cd == iconv_t(-1)) {
    for (char c : bytes) out.push_back(uint8_t(c) < 0x80 ? char16_t(c) : REPLACEMENT);
    return out;
  }
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  while (in_left > 0) {
    char16_t unit[2];
    char* out_ptr = reinterpret_cast<char*>(unit);
    size_t out_left = sizeof unit;
    size_t before = in_left;
    size_t r = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    size_t produced = (sizeof unit - out_left) / 2;
    for (size_t k = 0; k < produced; ++k) out.push_back(unit[k]);
    if (r == size_t(-1) && in_left == before && produced == 0) {
      // An invalid or cut-off sequence: one replacement per undecodable byte.
      out.push_back(REPLACEMENT);
      ++in;
      --in_left;
    }
  }
  iconv_close(cd);
  return out;
}
