#pragma once
// The INI access class: no state of its own, created anew for each procedure that touches the
// file. Every method takes the file's full path first. Texts are UTF-8 here; the file is
// written in UTF-8 and read as UTF-8 or, where its bytes are not valid UTF-8, as CP932.
#include <cstdint>
#include <string>

namespace kv {

class cIniFile {
 public:
  // The stored value, at most 255 bytes of it and up to a NUL; the default when the file,
  // the section or the key is missing, or the value is empty.
  std::string MyGetString(const std::string& strFileName, const std::string& strSection, const std::string& strKey,
                          const std::string& strDefaultValue) const;
  // The value's leading decimal integer; the default when there is none.
  int32_t MyGetInteger(const std::string& strFileName, const std::string& strSection, const std::string& strKey,
                       int32_t lngDefaultValue) const;
  // Creates the file and the section as needed and replaces the value, keeping every other
  // line. The file is replaced in one step. False when nothing was written.
  bool MySetString(const std::string& strFileName, const std::string& strSection, const std::string& strKey,
                   const std::string& strValue) const;
  void MyDeleteSection(const std::string& strFileName, const std::string& strSection) const;
  void MyDeleteKey(const std::string& strFileName, const std::string& strSection, const std::string& strKey) const;
};

}  // namespace kv
