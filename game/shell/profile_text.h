#pragma once
// The text of an INI file as the profile calls see it: "[Section]" lines open sections,
// "key=value" lines follow. Section and key names match without regard to ASCII case, and
// the first match counts. A change touches only its own lines: every other line, blank line
// and comment, with its line ending, stays byte for byte.
#include <optional>
#include <string>
#include <vector>

namespace kv {

class ProfileText {
 public:
  explicit ProfileText(const std::string& bytes);

  // The stored value, without the blanks around it and one pair of enclosing quotes; the
  // bytes as they are in the file. nullopt when the section or the key is missing.
  std::optional<std::string> Get(const std::string& section, const std::string& key) const;
  // Replaces the key's value, or adds the key (after the section's last key) and, when
  // needed, the section (at the end). Returns false for names the format cannot hold.
  bool Set(const std::string& section, const std::string& key, const std::string& value);
  // Both return whether anything was removed.
  bool DeleteSection(const std::string& section);
  bool DeleteKey(const std::string& section, const std::string& key);

  std::string Bytes() const;

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string eol;   // "\r\n", "\n" or empty at the end of the file
  };
  struct Span {
    size_t header, end;  // the header line, and one past the section's last line
  };

  std::optional<Span> FindSection(const std::string& section) const;
  std::optional<size_t> FindKey(const Span& s, const std::string& key) const;
  std::string NewLineEnding() const;

  std::vector<Line> lines_;
  bool bom_ = false;
};

}  // namespace kv
