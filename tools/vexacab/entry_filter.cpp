#include "entry_filter.h"

#include <fnmatch.h>
#include <locale.h>

#include <algorithm>

namespace vexacab {

namespace {

// Names reach the filter as UTF-8 whatever the user's locale, so they are matched in a UTF-8
// locale of their own (characters, not bytes, for '?' and for case folding).
locale_t utf8_locale() {
  static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  return locale;
}

bool matches(const std::string& pattern, const std::string& name, bool ignore_case) {
  locale_t previous = locale_t(0);
  if (utf8_locale()) previous = uselocale(utf8_locale());
  int result = fnmatch(pattern.c_str(), name.c_str(), ignore_case ? FNM_CASEFOLD : 0);
  if (previous) uselocale(previous);
  return result == 0;
}

}  // namespace

EntryFilter::EntryFilter(std::vector<std::string> patterns, bool ignore_case)
    : patterns_(std::move(patterns)), matched_(patterns_.size(), false), ignore_case_(ignore_case) {}

bool EntryFilter::chosen(const std::string& name) {
  if (patterns_.empty()) return true;
  bool any = false;
  for (size_t i = 0; i < patterns_.size(); ++i) {
    if (matches(patterns_[i], name, ignore_case_)) {
      matched_[i] = true;
      any = true;
    }
  }
  return any;
}

std::vector<std::string> EntryFilter::unmatched() const {
  std::vector<std::string> left;
  for (size_t i = 0; i < patterns_.size(); ++i)
    if (!matched_[i]) left.push_back(patterns_[i]);
  return left;
}

std::string matchable_name(const std::string& utf8_name) {
  std::string name = utf8_name;
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace vexacab
