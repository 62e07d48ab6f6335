// vexacab create: what it writes comes back whole through the engine, in every method, window
// and layout, and what a cabinet cannot hold is refused before anything is written.
#include <fcntl.h>
#include <unistd.h>

#include "command_line.h"
#include "vexacab_harness.h"

using namespace vexacab_test;
using testsupport::TempDir;

namespace {

// Creates with `options`, then tests and extracts the set; the extracted tree must be the
// sample tree. Returns create's output.
std::string round_trip(const TempDir& dir, std::vector<std::string> options) {
  std::vector<TreeEntry> tree = sample_tree();
  write_tree(dir / "src", tree);
  options.insert(options.begin(), "create");
  for (const std::string& more : {std::string("-o"), dir / "cabs/out.cab", dir / "src/pack"})
    options.push_back(more);
  std::filesystem::create_directories(dir / "cabs");
  auto made = run_vexacab(options);
  EXPECT_EQ(made.exit_code, 0) << made.output;
  auto tested = run_vexacab({"test", dir / "cabs/out.cab"});
  EXPECT_EQ(tested.exit_code, 0) << tested.output;
  EXPECT_TRUE(contains(tested.output, "OK: 6 files, 93000 bytes")) << tested.output;
  auto extracted = run_vexacab({"extract", "-d", dir / "out", dir / "cabs/out.cab"});
  EXPECT_EQ(extracted.exit_code, 0) << extracted.output;
  expect_tree(dir / "out", tree);
  return made.output;
}

class EveryMethod : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryMethod, RoundTripsATree) {
  TempDir dir;
  round_trip(dir, {"-m", GetParam()});
  auto info = run_vexacab({"info", dir / "cabs/out.cab"});
  ASSERT_EQ(info.exit_code, 0) << info.output;
  std::string method = GetParam() == "none" ? "none" : GetParam() == "mszip" ? "MSZIP" : GetParam();
  if (method.ends_with(":max")) method.resize(method.size() - 4);  // the effort is not recorded
  if (method.starts_with("lzx")) method = "LZX" + method.substr(3);
  if (method.starts_with("quantum")) method = "Quantum" + method.substr(7);
  EXPECT_TRUE(contains(info.output, "     0  " + method + " ")) << info.output;
  auto list = run_vexacab({"list", dir / "cabs/out.cab"});
  EXPECT_TRUE(contains(list.output, "pack\\データ\\音楽.mid")) << list.output;
  EXPECT_TRUE(contains(list.output, "---A-U")) << "UTF-8 flag\n" << list.output;
  EXPECT_TRUE(contains(list.output, "R--A--")) << "read-only\n" << list.output;
}

INSTANTIATE_TEST_SUITE_P(Vexacab, EveryMethod,
                         ::testing::Values("none", "mszip", "lzx:15", "lzx:16", "lzx:17", "lzx:18",
                                           "lzx:19", "lzx:20", "lzx:21", "lzx:21:max", "quantum:10", "quantum:11",
                                           "quantum:12", "quantum:13", "quantum:14", "quantum:15",
                                           "quantum:16", "quantum:17", "quantum:18", "quantum:19",
                                           "quantum:20", "quantum:21"));

struct Layout {
  std::vector<std::string> options;
  size_t min_cabinets;
  std::vector<std::string> info_of_second;  // lines `info` shows for out2.cab
};

// Follows the set from out.cab by the names each member stores; every member exists, names its
// predecessor and keeps to `max_size`. Returns the number of members.
size_t walk_set(const TempDir& dir, uint64_t max_size) {
  size_t count = 0;
  for (bool more = true; more; ++count) {
    std::string name = "out" + (count == 0 ? "" : std::to_string(count + 1)) + ".cab";
    auto info = run_vexacab({"info", dir / ("cabs/" + name)});
    EXPECT_EQ(info.exit_code, 0) << name << "\n" << info.output;
    if (info.exit_code != 0) break;
    if (count > 0) {
      EXPECT_TRUE(contains(info.output, "previous       out" + (count == 1 ? "" : std::to_string(count)) + ".cab"))
          << info.output;
    }
    EXPECT_LE(std::filesystem::file_size(dir / ("cabs/" + name)), max_size) << name;
    more = contains(info.output, "next           out" + std::to_string(count + 2) + ".cab on \"Disk " +
                                     std::to_string(count + 2) + "\"");
  }
  return count;
}

TEST(VexacabCreate, SetsReservesAndFolders) {
  const std::vector<Layout> layouts = {
      {{"-m", "none", "--max-size", "30000"}, 4, {}},
      {{"-m", "mszip", "--max-size", "20K", "--set-id", "4242"}, 3, {"set ID         4242", "index in set   1"}},
      {{"-m", "lzx:21", "--max-size", "25000", "--reserve", "100,8,4"}, 3,
       {"reserve        header 100, folder 8, data 4 bytes", "flags          0x0007"}},
      {{"-m", "quantum:15", "--max-size", "24000", "--reserve", "0,0,255", "--folder-size", "10K"}, 3,
       {"reserve        header 0, folder 0, data 255 bytes"}},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.options[1]);
    TempDir dir;
    round_trip(dir, layout.options);
    uint64_t max_size = 0;
    testsupport::ProcessResult second;
    ASSERT_TRUE(vexacab::parse_bytes(layout.options[3], UINT64_MAX, &max_size));
    EXPECT_GE(walk_set(dir, max_size), layout.min_cabinets);
    second = run_vexacab({"info", dir / "cabs/out2.cab"});
    for (const std::string& line : layout.info_of_second) EXPECT_TRUE(contains(second.output, line)) << second.output;
  }
  // --folder-size 1 gives every file but the empty ones a folder of its own.
  TempDir dir;
  round_trip(dir, {"--folder-size", "1"});
  auto info = run_vexacab({"info", dir / "cabs/out.cab"});
  EXPECT_TRUE(contains(info.output, "folders        4")) << info.output;
}

TEST(VexacabCreate, NamesRelativeToEachPathsParent) {
  TempDir dir;
  write_tree(dir / "src", {{"top/one.txt", {'1'}}, {"top/inner/two.txt", {'2'}}, {"lone.txt", {'3'}}});
  auto made = run_vexacab({"create", "-o", dir / "a.cab", dir / "src/top/inner", dir / "src/lone.txt", dir / "src/top/"});
  ASSERT_EQ(made.exit_code, 0) << made.output;
  auto list = run_vexacab({"list", dir / "a.cab"});
  // In the order given, each folder sorted.
  size_t two = list.output.find(" inner\\two.txt"), lone = list.output.find(" lone.txt"),
         inner = list.output.find(" top\\inner\\two.txt"), one = list.output.find(" top\\one.txt");
  EXPECT_TRUE(two < lone && lone < inner && inner < one && one != std::string::npos) << list.output;

  // '.' stores a folder's contents from the top, and the cabinet being replaced is left out.
  auto again = testsupport::run_process(VEXACAB_PATH, {"create", "-o", "inner.cab", "."}, "", dir / "src/top/inner", {});
  ASSERT_EQ(again.exit_code, 0) << again.output;
  again = testsupport::run_process(VEXACAB_PATH, {"create", "-o", "inner.cab", "."}, "", dir / "src/top/inner", {});
  ASSERT_EQ(again.exit_code, 0) << again.output;
  list = run_vexacab({"list", dir / "src/top/inner/inner.cab"});
  EXPECT_TRUE(contains(list.output, " two.txt\n1 files, 1 bytes")) << list.output;
}

struct Refusal {
  std::string what;
  std::vector<std::string> arguments;  // after "create -o DIR/out.cab", "@" stands for DIR
  int status;
  std::string message;
};

std::vector<std::string> expand(const std::vector<std::string>& arguments, const std::string& dir) {
  std::vector<std::string> out = {"create", "-o", dir + "/out.cab"};
  for (const std::string& a : arguments) out.push_back(a.starts_with("@") ? dir + a.substr(1) : a);
  return out;
}

TEST(VexacabCreate, RefusesWhatACabinetCannotHold) {
  TempDir dir;
  write_tree(dir / "ok", {{"a.txt", testdata::random_bytes(70000, 1)}});
  write_tree(dir / "long", {{std::string(250, 'n') + "/" + std::string(10, 'm'), {'x'}}});
  testsupport::write_file(dir / "huge", std::vector<uint8_t>{});
  ASSERT_EQ(::truncate((dir / "huge").c_str(), off_t(1) << 32), 0);  // sparse: no disk used
  testsupport::write_file(dir / "bad\xFF" "name", std::vector<uint8_t>{1});
  ::mkfifo((dir / "ok/fifo").c_str(), 0644);
  const std::vector<Refusal> refusals = {
      {"name over 255 bytes", {"@/long"}, 1, "a cabinet holds names of at most 255"},
      {"4 GiB file", {"@/huge"}, 1, "a cabinet cannot hold a file of 4 GiB or more"},
      {"name not UTF-8", {"@/bad\xFF" "name"}, 1, "the name is not valid UTF-8"},
      {"two files under one name", {"@/ok", "@/ok"}, 1, "two files would be stored as 'ok\\a.txt'"},
      {"impossible size", {"--max-size", "1500", "-m", "none", "@/ok"}, 1, "--max-size 1500 is too small"},
      {"missing path", {"@/nothing"}, 1, "cannot read"},
      {"unknown method", {"-m", "lzx:22", "@/ok"}, 2, "bad window size"},
      {"bad reserve", {"--reserve", "60001,0,0", "@/ok"}, 2, "--reserve wants H,F,D"},
      {"bad size", {"--max-size", "12Q", "@/ok"}, 2, "--max-size wants a byte count"},
      {"bad set ID", {"--set-id", "65536", "@/ok"}, 2, "--set-id wants a number"},
  };
  for (const Refusal& r : refusals) {
    auto result = run_vexacab(expand(r.arguments, dir.path()));
    EXPECT_EQ(result.exit_code, r.status) << r.what << "\n" << result.output;
    EXPECT_TRUE(contains(result.output, r.message)) << r.what << "\n" << result.output;
    EXPECT_FALSE(testsupport::exists(dir / "out.cab")) << r.what;
  }
  // A pipe is skipped with a word on standard error; the rest is packed.
  auto result = run_vexacab(expand({"@/ok"}, dir.path()));
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(result.output, "vexacab: Skipped (" + dir / "ok/fifo: not a regular file)")) << result.output;
}

TEST(VexacabCreate, RefusesMoreFilesThanACabinetLists) {
  // 256 links to one folder of 256 files: 65536 names, and only 512 entries to make.
  TempDir dir;
  std::filesystem::create_directories(dir / "many");
  std::vector<std::string> arguments = {"create", "-o", dir / "out.cab"};
  for (int i = 0; i < 256; ++i) {
    testsupport::write_file(dir / ("many/" + std::to_string(i)), std::vector<uint8_t>{});
    std::filesystem::create_directory_symlink(dir / "many", dir / ("link" + std::to_string(i)));
    arguments.push_back(dir / ("link" + std::to_string(i)));
  }
  auto result = run_vexacab(arguments);
  EXPECT_EQ(result.exit_code, 1) << result.output;
  EXPECT_TRUE(contains(result.output, "65536 files; a cabinet lists at most 65535")) << result.output;
  arguments.pop_back();  // 65280 files fit
  result = run_vexacab(arguments);
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_TRUE(contains(run_vexacab({"test", dir / "out.cab"}).output, "OK: 65280 files, 0 bytes"));
}

}  // namespace
