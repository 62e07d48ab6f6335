#include "game/shell/cIniFile.h"

#include <functional>
#include <limits>
#include <optional>

#include "game/platform/file_store.h"
#include "game/shell/profile_text.h"
#include "game/shell/stored_text.h"

namespace kv {

namespace {

// Far beyond any INI file the game writes; a larger file is not read, nor overwritten.
constexpr size_t kMaxFileBytes = 1 << 20;
// What the profile call returns at most, as the game's 256-character buffer holds it.
constexpr size_t kMaxValueBytes = 255;

std::optional<std::string> Stored(const std::string& file, const std::string& section, const std::string& key) {
  std::string bytes;
  if (ReadWholeFile(file, bytes, kMaxFileBytes) != ReadResult::Ok) return std::nullopt;
  std::optional<std::string> value = ProfileText(bytes).Get(section, key);
  if (value) value = value->substr(0, value->find('\0'));
  return value;
}

// Reads, changes and writes back the file; a file that exists but cannot be read is left
// alone rather than replaced by a new one.
bool Change(const std::string& file, const std::function<bool(ProfileText&)>& change) {
  std::string bytes;
  if (ReadWholeFile(file, bytes, kMaxFileBytes) == ReadResult::Failed) return false;
  ProfileText text(bytes);
  if (!change(text)) return false;
  return ReplaceFile(file, text.Bytes());
}

}  // namespace

std::string cIniFile::MyGetString(const std::string& strFileName, const std::string& strSection,
                                  const std::string& strKey, const std::string& strDefaultValue) const {
  std::optional<std::string> value = Stored(strFileName, strSection, strKey);
  if (!value || value->empty()) return strDefaultValue;
  return DecodeStoredText(CutStoredText(*value, kMaxValueBytes));
}

int32_t cIniFile::MyGetInteger(const std::string& strFileName, const std::string& strSection,
                               const std::string& strKey, int32_t lngDefaultValue) const {
  std::optional<std::string> value = Stored(strFileName, strSection, strKey);
  if (!value) return lngDefaultValue;
  const std::string& v = *value;
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
  if (i >= v.size() || v[i] < '0' || v[i] > '9') return lngDefaultValue;
  // Digits beyond the range hold the result at its limit.
  int64_t n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    n = n * 10 + (v[i] - '0');
    if (n > int64_t{1} << 32) n = int64_t{1} << 32;
  }
  if (negative) n = -n;
  if (n > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (n < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(n);
}

bool cIniFile::MySetString(const std::string& strFileName, const std::string& strSection,
                           const std::string& strKey, const std::string& strValue) const {
  return Change(strFileName, [&](ProfileText& t) { return t.Set(strSection, strKey, strValue); });
}

void cIniFile::MyDeleteSection(const std::string& strFileName, const std::string& strSection) const {
  Change(strFileName, [&](ProfileText& t) { return t.DeleteSection(strSection); });
}

void cIniFile::MyDeleteKey(const std::string& strFileName, const std::string& strSection,
                           const std::string& strKey) const {
  Change(strFileName, [&](ProfileText& t) { return t.DeleteKey(strSection, strKey); });
}

}  // namespace kv
