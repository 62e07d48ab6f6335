// Which cabinet entries `vexacab extract` takes: shell-style patterns (*, ?, [...]) matched
// against the whole stored name with '/' as its separator, '*' crossing separators. Names are
// compared as UTF-8 characters; -i folds case, non-ASCII letters included.
#pragma once

#include <string>
#include <vector>

namespace vexacab {

class EntryFilter {
 public:
  EntryFilter(std::vector<std::string> patterns, bool ignore_case);

  // True when there are no patterns or one of them matches `name` ("docs/readme.txt").
  bool chosen(const std::string& name);
  // The patterns that have matched nothing so far.
  std::vector<std::string> unmatched() const;

 private:
  std::vector<std::string> patterns_;
  std::vector<bool> matched_;
  bool ignore_case_;
};

// A decoded stored name with backslashes turned into '/', as patterns see it.
std::string matchable_name(const std::string& utf8_name);

}  // namespace vexacab
