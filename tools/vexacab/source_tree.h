// The files `vexacab create` packs: each PATH taken whole, folders walked recursively, every
// file named relative to its PATH's parent with backslash separators, in a stable order (the
// PATHs as given, each folder's entries by byte order of their names).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexacab {

struct CreateError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TreeFile {
  std::string path;         // where to read it
  std::string stored_name;  // "docs\readme.txt", at most 255 bytes of UTF-8
  uint64_t size = 0;
  uint16_t date = 0, time = 0;
  uint16_t attributes = 0;  // archive; read-only without owner write permission; UTF-8 name
};

struct TreeWarning {
  std::string path, why;
};

// Collects the files below `paths`. Links to files are followed; links to folders, sockets,
// pipes and devices are left out and named in `warnings`. `skip` (the cabinet being written,
// when it already exists) is left out silently. Throws CreateError for what a cabinet cannot
// hold (a name over 255 bytes or not UTF-8, a file of 4 GiB or more, two files stored under
// one name) and for paths that cannot be read.
std::vector<TreeFile> collect_tree(const std::vector<std::string>& paths, const std::string& skip,
                                   std::vector<TreeWarning>* warnings);

}  // namespace vexacab
