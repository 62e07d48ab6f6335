// The package driven by a script, run as a user's script would run it in a temporary home:
// the fixture shared by the install, inspection and uninstall tests.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e_support.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/manifest.h"

namespace scripting {

using namespace testsupport;

inline std::string text_of(const std::string& path) {
  std::vector<uint8_t> bytes = read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

// What changed below `folder`, folders counted by their presence only (their times move
// whenever an entry comes or goes).
inline std::vector<std::string> changes_below(const TreeSnapshot& before, const std::string& folder) {
  TreeSnapshot after = snapshot_tree(folder);
  std::vector<std::string> changed;
  for (const std::string& path : tree_changes(before, after)) {
    auto b = before.find(path);
    auto a = after.find(path);
    bool both_folders = b != before.end() && a != after.end() && S_ISDIR(std::stoul(b->second)) &&
                        S_ISDIR(std::stoul(a->second));
    if (!both_folders) changed.push_back(path);
  }
  return changed;
}

class Scripting : public ::testing::Test {
 protected:
  Scripting() : destination(target / "Ruziz Kestrovan") {
    folder.files = {source_file("Kestrovan", pattern_bytes(90000, 1)), source_file("readme.txt", pattern_bytes(500, 2)),
                    source_file("data/sounds/Fire.wav", pattern_bytes(30000, 3)),
                    source_file("data/notes.txt", pattern_bytes(700, 4))};
    folder.files[1].date = 0x5A21;  // 2025-01-01
    folder.files[1].time = 0x6C2E;  // 13:33:28
  }
  std::string make_package(const vexapack::PackageSettings& settings) {
    std::string path = packages / "setup";
    write_file(path, vexapack::assemble_package(read_file(VEXASFX), settings,
                                                cabwriter::serialize(cabwriter::build_cabinet({folder}))));
    chmod(path.c_str(), 0755);
    return path;
  }
  std::string package() { return make_package(shipped_settings("Kestrovan")); }
  ProcessResult run(const std::string& program, std::vector<std::string> arguments) {
    return session.run(program, "", start.path(), arguments);
  }
  ProcessResult install(std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--target", destination, "--yes"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run(package(), arguments);
  }
  bool installed_as_packed(const cabwriter::SourceFile& f) { return read_file(destination + "/" + f.name) == f.data; }

  cabwriter::SourceFolder folder;
  e2e::Session session;
  TempDir packages, start, target;
  std::string destination;
};

}  // namespace scripting
