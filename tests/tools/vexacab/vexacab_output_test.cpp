// vexacab extract keeps the installer's promises: a file is replaced only when complete, nothing
// is written through a link below DIR, next cabinets are looked for only beside the cabinet,
// and every failure is named once with exit status 1 (a signal: 2).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "builders.h"
#include "installer_test_support.h"

namespace fs = std::filesystem;
using namespace cabwriter;
using testcab::file;
using testcab::folder;
using testsupport::TempDir;

namespace {

std::vector<uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

struct Result {
  int status;
  std::string out;
};

// `shell` runs first in the same shell (limits the command inherits).
Result vexacab(const std::string& arguments, const std::string& shell = "") {
  FILE* pipe = popen((shell + std::string(VEXACAB_PATH) + " " + arguments + " 2>&1").c_str(), "r");
  Result result{0, ""};
  std::array<char, 4096> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) result.out.append(buffer.data(), n);
  int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

struct CabCase {
  const char* promise;
  std::function<std::vector<CabinetImage>()> cabinets;
  std::function<void(const TempDir&)> prepare;  // the world: cabs, out, outside
  std::string dir = "out";
  int status = 0;
  std::string message = "";               // the whole error line; empty: none
  std::vector<std::string> changed = {};  // the only paths that may change
};

class VexacabPromises : public ::testing::TestWithParam<CabCase> {};

TEST_P(VexacabPromises, ChangeOnlyWhatTheyMayAndNameTheFailure) {
  const CabCase& c = GetParam();
  TempDir world;
  for (const char* folder_name : {"cabs", "out", "outside"}) fs::create_directories(world / folder_name);
  testsupport::write_file(world / "outside/target.txt", "outside, never to change");
  write_set(c.cabinets(), world / "cabs");
  if (c.prepare) c.prepare(world);
  testsupport::TreeSnapshot before = testsupport::snapshot_tree(world.path());
  Result r = vexacab("extract -d '" + world / c.dir + "' " + world / "cabs/disk1.cab");
  testsupport::TreeSnapshot after = testsupport::snapshot_tree(world.path());
  EXPECT_EQ(r.status, c.status) << r.out;
  EXPECT_EQ(testsupport::tree_changes(before, after), c.changed) << r.out;
  EXPECT_EQ(testsupport::temporary_files(after), std::vector<std::string>{});
  if (!c.message.empty()) {
    EXPECT_EQ(r.out, c.message + "\n");
  }
  EXPECT_EQ(r.out.find('\a'), std::string::npos) << "raw control character on the terminal";
}

std::vector<CabinetImage> one(std::vector<SourceFile> files, uint16_t type = 0) {
  return {build_cabinet({folder(type, std::move(files))})};
}

// A two-cabinet set whose first cabinet names its successor with a path.
std::vector<CabinetImage> set_naming(const std::string& next) {
  SetOptions options;
  options.max_cabinet_size = 30000;
  auto set = build_set({folder(0, {file("big", testdata::random_bytes(50000, 1))})}, options);
  set[0].next_cabinet = next;
  return set;
}

void earlier(const TempDir& w, const std::string& name) { testsupport::write_file(w / ("out/" + name), "earlier " + name); }
void link_to_outside(const TempDir& w, const std::string& name) {
  symlink((w / "outside").c_str(), (w / ("out/" + name)).c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Extract, VexacabPromises,
    ::testing::Values(
        CabCase{"a damaged block keeps the earlier file",
                [] {
                  auto cabs = one({file("a.bin", testdata::text_like(90000, 3))}, 1);
                  cabs[0].folders[0].blocks[1].csum = 1;
                  return cabs;
                },
                [](const TempDir& w) { earlier(w, "a.bin"); }, "out", 1},
        CabCase{"a link at the final name is replaced",
                [] { return one({file("t.txt", bytes_of("new"))}); },
                [](const TempDir& w) { symlink((w / "outside/target.txt").c_str(), (w / "out/t.txt").c_str()); },
                "out", 0, "", {"out/t.txt"}},
        CabCase{"a folder that is a link is refused, its name escaped",
                [] { return one({file("b\a/x.txt", bytes_of("x"))}); },
                [](const TempDir& w) { link_to_outside(w, "b\a"); }, "out", 1,
                "vexacab: OutputFailed (b\\x07: a folder that is a symbolic link is not written through)"},
        CabCase{"DIR itself may be a link",
                [] { return one({file("x.txt", bytes_of("x"))}); },
                [](const TempDir& w) { symlink((w / "outside").c_str(), (w / "chosen").c_str()); }, "chosen", 0,
                "", {"outside/x.txt"}},
        CabCase{"DIR that is a file",
                [] { return one({file("x.txt", bytes_of("x"))}); },
                [](const TempDir& w) { testsupport::write_file(w / "plain", "a file"); }, "plain", 1},
        CabCase{"a next cabinet with a path is looked for beside the first",
                [] { return set_naming("../outside/disk2.cab"); },
                [](const TempDir& w) { fs::rename(w / "cabs/disk2.cab", w / "outside/disk2.cab"); }, "out", 1}),
    [](const auto& info) { return testsupport::test_name_of(info.param.promise); });

TEST(VexacabOutput, ANextCabinetWithAPathIsFoundByItsBareName) {
  TempDir world;
  fs::create_directories(world / "cabs");
  write_set(set_naming("../elsewhere/disk2.cab"), world / "cabs");
  Result r = vexacab("extract -d " + world / "out " + world / "cabs/disk1.cab");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(testsupport::read_file(world / "out/big"), testdata::random_bytes(50000, 1));
}

// A write the system refuses in the middle of a large file (a file size limit: EFBIG from the
// write that passes it) is named with its file and its cause; the earlier file stays.
TEST(VexacabOutput, AWriteTheSystemRefusesIsNamedWithItsCause) {
  TempDir world;
  for (const char* folder_name : {"cabs", "out"}) fs::create_directories(world / folder_name);
  write_set(one({file("big.bin", testdata::text_like(3 << 20, 5))}, 1), world / "cabs");
  testsupport::write_file(world / "out/big.bin", "earlier big.bin");
  testsupport::TreeSnapshot before = testsupport::snapshot_tree(world.path());
  Result r = vexacab("extract -d " + world / "out " + world / "cabs/disk1.cab", "trap '' XFSZ; ulimit -f 2048; ");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(r.out.rfind("vexacab: OutputFailed (big.bin", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(std::strerror(EFBIG)), std::string::npos) << r.out;
  EXPECT_EQ(testsupport::tree_changes(before, testsupport::snapshot_tree(world.path())), std::vector<std::string>{});
}

// A termination, and the signal of a reader that went away (`| head`), alike.
class VexacabSignal : public ::testing::TestWithParam<int> {};

TEST_P(VexacabSignal, RemovesTheFileBeingWrittenAndExitsTwo) {
  TempDir world;
  std::vector<SourceFile> files;
  for (int i = 0; i < 20000; ++i) files.push_back(file("f" + std::to_string(i), testdata::random_bytes(256, i)));
  fs::create_directories(world / "cabs");
  fs::create_directories(world / "out");
  write_set(one(files), world / "cabs");
  testsupport::write_file(world / "out/f19999", "earlier f19999");
  pid_t child = fork();
  if (child == 0) {
    execl(VEXACAB_PATH, VEXACAB_PATH, "extract", "-d", (world / "out").c_str(), (world / "cabs/disk1.cab").c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 20000 && !testsupport::exists(world / "out/f0"); ++i)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  kill(child, GetParam());
  size_t at_signal = testsupport::snapshot_tree(world / "out").size();
  int raw = 0;
  waitpid(child, &raw, 0);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 2);
  EXPECT_LT(at_signal, files.size()) << "the run ended before the signal";
  auto tree = testsupport::snapshot_tree(world / "out");
  EXPECT_EQ(testsupport::temporary_files(tree), std::vector<std::string>{});
  EXPECT_EQ(testsupport::read_file(world / "out/f19999"), bytes_of("earlier f19999"));
  tree.erase("f19999");  // never reached: still the earlier file
  for (const auto& [name, state] : tree)
    EXPECT_EQ(testsupport::read_file(world / ("out/" + name)), testdata::random_bytes(256, std::stoi(name.substr(1))))
        << name;
}

INSTANTIATE_TEST_SUITE_P(Signals, VexacabSignal, ::testing::Values(SIGTERM, SIGPIPE),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
