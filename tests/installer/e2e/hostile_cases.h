// The hostile-install cases: packages and destinations that try to make the installer lose,
// misplace or misreport a file. Shared by the install suite and by --check, which must find
// every damaged package among them and pass every sound one.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "e2e_support.h"

namespace hostile {

using namespace testsupport;

struct World {
  e2e::Session session;
  TempDir root;  // dest, outside, start and the package
  std::string operator/(const std::string& name) const { return root / name; }
  World() {
    std::filesystem::create_directories(root / "dest");
    std::filesystem::create_directories(root / "outside");
    std::filesystem::create_directories(root / "start");
    write_file(root / "outside/target.txt", "outside, never to change");
  }
  TreeSnapshot snapshot() const {
    TreeSnapshot tree = snapshot_tree(root.path());
    for (const auto& [path, state] : snapshot_tree(session.home.path())) tree["home/" + path] = state;
    for (const auto& [path, state] : snapshot_tree(session.shared.path())) tree["shared/" + path] = state;
    tree.erase("setup");
    return tree;
  }
};

struct HostileCase {
  const char* promise;
  std::vector<cabwriter::SourceFile> files = {};
  std::function<void(World&)> prepare = nullptr;
  std::string destination = "dest";  // under the world, or as typed when it starts with '~'
  std::string answers = "";          // to the overwrite questions
  int exit_code = 0;
  std::string message = "";               // shown exactly once; empty: no message at all
  std::vector<std::string> changed = {};  // the only paths that may change, sorted
  bool launcher = false;             // Desktop/Kestrovan.desktop made
  bool damage = false;               // a block of the last folder is spoilt
  std::string shortcut_name = "Kestrovan";
};

inline std::vector<uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

// The case's package in the world: a first folder, then the case's files (spoilt when `damage`).
inline std::string write_hostile_package(World& world, const HostileCase& c) {
  cabwriter::SourceFolder first, last;
  first.files = {source_file("first.txt", bytes_of("first"))};
  last.files = c.files;
  cabwriter::CabinetImage cabinet = cabwriter::build_cabinet({first, last});
  if (c.damage) cabinet.folders[1].blocks[2].data[5] ^= 0x55;
  vexapack::PackageSettings settings = shipped_settings("first.txt");
  settings.desktop = 0x03;
  settings.shortcut_name = c.shortcut_name;
  std::string package = world / "setup";
  write_file(package, vexapack::assemble_package(read_file(VEXASFX), settings, cabwriter::serialize(cabinet)));
  chmod(package.c_str(), 0755);
  return package;
}

inline void earlier(World& w, const std::string& name, mode_t mode = 0644) {
  write_file(w / ("dest/" + name), "the user's earlier " + name);
  chmod((w / ("dest/" + name)).c_str(), mode);
}

// 120 kanji stored in CP932 (240 bytes) become 360 bytes of UTF-8: too long for one name.
inline std::string repeated(const std::string& unit, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}
inline const std::string LONG_CP932 = repeated("\x8C\xF8", 120);
inline const std::string LONG_UTF8 = repeated("効", 120);

inline std::vector<HostileCase> hostile_cases() {
  return {// Atomic replacement.
        HostileCase{"damaged block inside a replacement", {source_file("a.bin", pattern_bytes(200000, 4))},
                    [](World& w) { earlier(w, "a.bin"); }, "dest", "y\n", 1, "自己解凍書庫が破損しています。", {},
                    false, true},
        HostileCase{"cancel at the question keeps the earlier file",
                    {source_file("a.bin", pattern_bytes(1000, 4)), source_file("b.bin", pattern_bytes(10, 5))},
                    [](World& w) { earlier(w, "a.bin"); }, "dest", "c\n", 2, "", {}, true},
        // Containment.
        HostileCase{"a link at the final name is replaced, not followed", {source_file("link.txt", bytes_of("new"))},
                    [](World& w) { symlink((w / "outside/target.txt").c_str(), (w / "dest/link.txt").c_str()); },
                    "dest", "y\n", 0, "", {"dest/link.txt"}, true},
        HostileCase{"a folder that is a link is refused", {source_file("sub/x.txt", bytes_of("x"))},
                    [](World& w) { symlink((w / "outside").c_str(), (w / "dest/sub").c_str()); }, "dest", "", 1,
                    "sub: a folder that is a symbolic link is not written through"},
        HostileCase{"a destination that is a file", {source_file("x.txt", bytes_of("x"))},
                    [](World& w) { write_file(w / "plain", "a file"); }, "plain", "", 1, "フォルダを作成できません"},
        // Truthful outcomes.
        HostileCase{"a name too long for the file system", {source_file(LONG_CP932, bytes_of("x"))}, nullptr, "dest", "",
                    1, LONG_UTF8 + ": File name too long"},
        HostileCase{"a read-only earlier file", {source_file("ro.txt", bytes_of("new"))},
                    [](World& w) { earlier(w, "ro.txt", 0444); }, "dest", "y\n", 1, "ro.txt: Permission denied"},
        // Names.
        HostileCase{"control characters are shown escaped", {source_file("bell\a\x1b[31m.txt", bytes_of("x"))},
                    nullptr, "dest", "", 0, "", {"dest/bell\a\x1b[31m.txt"}, true},
        HostileCase{"a launcher name with parent steps stays one name", {source_file("x.txt", bytes_of("x"))},
                    nullptr, "dest", "", 0, "", {"dest/x.txt"}, true, false, "../../../x"},
        HostileCase{"a leading tilde is the home folder", {source_file("x.txt", bytes_of("x"))}, nullptr, "~/inst",
                    "", 0, "", {"home/inst", "home/inst/first.txt", "home/inst/x.txt"}, true}};
}

}  // namespace hostile
