// vexacab run as a user runs it, and a small tree of real files to pack.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "installer_test_support.h"
#include "test_data.h"

namespace vexacab_test {

inline testsupport::ProcessResult run_vexacab(const std::vector<std::string>& arguments) {
  return testsupport::run_process(VEXACAB_PATH, arguments, "", "", {});
}

struct TreeEntry {
  std::string path;  // relative, '/' separated
  std::vector<uint8_t> data;
  bool read_only = false;
};

// Empty files, a read-only one, non-ASCII names, a folder ten levels deep, and contents that
// compress well, badly and not at all.
inline std::vector<TreeEntry> sample_tree() {
  return {{"pack/readme.txt", testdata::text_like(20000, 1)},
          {"pack/empty", {}},
          {"pack/sub/also-empty", {}},
          {"pack/データ/音楽.mid", testdata::binary_like(30000, 2)},
          {"pack/a/b/c/d/e/f/g/h/i/deep.bin", testdata::random_bytes(40000, 3)},
          {"pack/ro.txt", testdata::text_like(3000, 4), true}};
}

// Writes the entries below `root`; every file gets the same even-second modification time.
inline void write_tree(const std::string& root, const std::vector<TreeEntry>& entries) {
  for (const TreeEntry& e : entries) {
    std::string path = root + "/" + e.path;
    std::filesystem::create_directories(path.substr(0, path.rfind('/')));
    testsupport::write_file(path, e.data);
    struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    if (e.read_only) ::chmod(path.c_str(), 0444);
  }
}

// Every entry is below `root` with its bytes, and nothing else is.
inline void expect_tree(const std::string& root, const std::vector<TreeEntry>& entries) {
  std::vector<std::string> expected;
  for (const TreeEntry& e : entries) {
    expected.push_back(e.path);
    EXPECT_EQ(testsupport::read_file(root + "/" + e.path), e.data) << e.path;
    EXPECT_EQ(testsupport::mode_of(root + "/" + e.path) & 0222, e.read_only ? 0u : 0200u) << e.path;
    EXPECT_EQ(testsupport::mtime_of(root + "/" + e.path), 1700000000) << e.path;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(testsupport::list_tree(root), expected);
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace vexacab_test
