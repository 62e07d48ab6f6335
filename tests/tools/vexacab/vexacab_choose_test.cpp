// vexacab extract choosing files (patterns, -p, -n), info and list -l on cabinets of every kind,
// and the progress line.
#include <atomic>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include "tools/vexacab/cabinet_records.h"
#include "fuzz_entry.h"
#include "tools/vexacab/progress.h"
#include "vexacab_harness.h"

using namespace vexacab_test;
using testsupport::TempDir;

namespace {

// The sample tree and one more name with a non-ASCII capital, packed as a three-cabinet set.
std::vector<TreeEntry> packed_tree(const TempDir& dir) {
  std::vector<TreeEntry> tree = sample_tree();
  tree.push_back({"pack/Über.txt", testdata::text_like(5000, 9)});
  write_tree(dir / "src", tree);
  std::filesystem::create_directories(dir / "cabs");
  auto made = run_vexacab({"create", "-m", "lzx:16", "--max-size", "20000", "-o", dir / "cabs/set.cab", dir / "src/pack"});
  EXPECT_EQ(made.exit_code, 0) << made.output;
  EXPECT_TRUE(testsupport::exists(dir / "cabs/set3.cab")) << made.output;
  return tree;
}

struct Choice {
  std::vector<std::string> arguments;  // before CAB: options; after: patterns
  std::vector<std::string> patterns;
  std::vector<std::string> chosen;     // relative paths expected below the destination
  int status;
};

TEST(VexacabChoose, PatternsChooseFiles) {
  TempDir dir;
  packed_tree(dir);
  const std::vector<Choice> choices = {
      {{}, {"*.txt"}, {"pack/readme.txt", "pack/ro.txt", "pack/Über.txt"}, 0},
      {{}, {"pack/データ/*"}, {"pack/データ/音楽.mid"}, 0},
      {{}, {"pack/a/*/deep.bin", "pack/empty"}, {"pack/a/b/c/d/e/f/g/h/i/deep.bin", "pack/empty"}, 0},
      {{}, {"pack/?mpty", "*/also-*"}, {"pack/empty", "pack/sub/also-empty"}, 0},
      {{}, {"pack/[er]*"}, {"pack/empty", "pack/readme.txt", "pack/ro.txt"}, 0},
      {{}, {"*README*"}, {}, 1},
      {{"-i"}, {"*README*"}, {"pack/readme.txt"}, 0},
      {{"--ignore-case"}, {"pack/über.TXT"}, {"pack/Über.txt"}, 0},
      {{}, {"pack/ro.txt", "nothing*"}, {"pack/ro.txt"}, 1},
  };
  for (const Choice& c : choices) {
    SCOPED_TRACE(c.patterns[0]);
    std::filesystem::remove_all(dir / "out");
    std::vector<std::string> arguments = {"extract", "-d", dir / "out"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.push_back(dir / "cabs/set.cab");
    arguments.insert(arguments.end(), c.patterns.begin(), c.patterns.end());
    auto result = run_vexacab(arguments);
    EXPECT_EQ(result.exit_code, c.status) << result.output;
    if (c.status) {
      EXPECT_TRUE(contains(result.output, "vexacab: NoMatch (")) << result.output;
    }
    std::vector<std::string> expected = c.chosen;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(testsupport::list_tree(dir / "out"), expected);
  }
}

TEST(VexacabChoose, PipeGivesTheExtractedBytes) {
  TempDir dir;
  std::vector<TreeEntry> tree = packed_tree(dir);
  ASSERT_EQ(run_vexacab({"extract", "-d", dir / "out", dir / "cabs/set.cab"}).exit_code, 0);
  std::string everything;
  for (std::string name : {"pack/a/b/c/d/e/f/g/h/i/deep.bin", "pack/empty", "pack/readme.txt",
                                  "pack/ro.txt", "pack/sub/also-empty", "pack/Über.txt", "pack/データ/音楽.mid"}) {
    std::vector<uint8_t> extracted = testsupport::read_file(dir / ("out/" + name));
    everything.append(extracted.begin(), extracted.end());
    auto piped = run_vexacab({"extract", "-p", dir / "cabs/set.cab", name});
    EXPECT_EQ(piped.exit_code, 0) << name;
    EXPECT_TRUE(piped.output == std::string(extracted.begin(), extracted.end())) << name;
  }
  // All of them, one after the other in cabinet order, and nothing written anywhere.
  auto piped = testsupport::run_process(VEXACAB_PATH, {"extract", "--pipe", "cabs/set.cab"}, "", dir.path(), {});
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_TRUE(piped.output == everything) << piped.output.size() << " bytes, not " << everything.size();
  EXPECT_FALSE(testsupport::exists(dir / "pack"));
}

TEST(VexacabChoose, DryRunNamesWithoutWriting) {
  TempDir dir;
  packed_tree(dir);
  auto dry = run_vexacab({"extract", "-n", "-d", dir / "out", dir / "cabs/set.cab", "*.txt"});
  EXPECT_EQ(dry.exit_code, 0) << dry.output;
  EXPECT_TRUE(contains(dry.output, dir / "out/pack/readme.txt (20000 bytes)\n")) << dry.output;
  EXPECT_TRUE(contains(dry.output, dir / "out/pack/Über.txt (5000 bytes)\n")) << dry.output;
  EXPECT_TRUE(contains(dry.output, "3 files, 28000 bytes would be extracted")) << dry.output;
  EXPECT_FALSE(testsupport::exists(dir / "out"));

  ASSERT_EQ(run_vexacab({"extract", "-d", dir / "out", dir / "cabs/set.cab", "pack/ro.txt"}).exit_code, 0);
  dry = run_vexacab({"extract", "--dry-run", "-d", dir / "out", dir / "cabs/set.cab", "*.txt"});
  EXPECT_TRUE(contains(dry.output, dir / "out/pack/ro.txt (3000 bytes, replaces what is there)\n")) << dry.output;
  EXPECT_TRUE(contains(dry.output, dir / "out/pack/readme.txt (20000 bytes)\n")) << dry.output;
  EXPECT_EQ(testsupport::list_tree(dir / "out"), std::vector<std::string>{"pack/ro.txt"});

  auto both = run_vexacab({"extract", "-n", "-p", dir / "cabs/set.cab"});
  EXPECT_EQ(both.exit_code, 2) << both.output;
}

// What `info` adds up must account for every byte of the cabinet, and its folders must hold
// exactly the files' bytes.
TEST(VexacabChoose, InfoOnEveryCorpusCabinet) {
  TempDir dir;
  auto seeds = fuzz_seed_cabinets();
  ASSERT_GE(seeds.size(), 10u);
  size_t sound = 0;
  for (size_t s = 0; s < seeds.size(); ++s) {
    SCOPED_TRACE("seed " + std::to_string(s));
    std::string path = dir / ("seed" + std::to_string(s) + ".cab");
    testsupport::write_file(path, seeds[s]);
    vexacab::CabinetRecords r;
    std::string why;
    ASSERT_TRUE(vexacab::read_cabinet_records(path, &r, &why)) << why;
    auto info = run_vexacab({"info", path});
    EXPECT_TRUE(contains(info.output, "files          " + std::to_string(r.files.size()) + "\n")) << info.output;
    for (const vexacab::FolderRecord& f : r.folders)
      EXPECT_TRUE(contains(info.output, "  " + vexacab::method_name(f.type_compress) + " ")) << info.output;
    auto list = run_vexacab({"list", "-l", path});
    EXPECT_EQ(list.exit_code, 0) << list.output;
    for (const vexacab::FileRecord& f : r.files)
      EXPECT_TRUE(contains(list.output, " " + std::to_string(f.folder_offset) + "  " + f.name + "\n")) << list.output;
    if (run_vexacab({"test", path}).exit_code != 0) {
      // Some seeds are malformed on purpose (data reserves the header does not declare).
      EXPECT_EQ(info.exit_code, 1) << info.output;
      EXPECT_TRUE(contains(info.output, "vexacab: CorruptData (")) << info.output;
      continue;
    }
    EXPECT_EQ(info.exit_code, 0) << info.output;
    EXPECT_EQ(r.cabinet_size, seeds[s].size());
    uint64_t accounted = r.folders.empty() ? r.files_offset : r.folders[0].data_offset;
    uint64_t unpacked = 0, files = 0;
    for (const vexacab::FolderRecord& f : r.folders) {
      EXPECT_EQ(f.blocks_found, f.block_count);
      accounted += f.compressed + uint64_t(f.block_count) * (8 + r.data_reserve);
      unpacked += f.uncompressed;
    }
    for (const vexacab::FileRecord& f : r.files) files += f.size;
    EXPECT_EQ(accounted, seeds[s].size());
    EXPECT_EQ(unpacked, files);
    ++sound;
  }
  EXPECT_GE(sound, 8u);
  // Cut short inside the data, info shows what it can and fails; inside the records, it fails.
  std::vector<uint8_t> cut(seeds[1].begin(), seeds[1].end() - 100);
  testsupport::write_file(dir / "cut.cab", cut);
  auto info = run_vexacab({"info", dir / "cut.cab"});
  EXPECT_EQ(info.exit_code, 1);
  EXPECT_TRUE(contains(info.output, "blocks readable")) << info.output;
  EXPECT_TRUE(contains(info.output, "vexacab: CorruptData (")) << info.output;
  cut.resize(60);
  testsupport::write_file(dir / "cut.cab", cut);
  info = run_vexacab({"info", dir / "cut.cab"});
  EXPECT_EQ(info.exit_code, 1);
  EXPECT_TRUE(contains(info.output, "vexacab: CorruptData (")) << info.output;
}

TEST(VexacabChoose, ProgressShowsOnlyAfterASecond) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  auto start = std::chrono::steady_clock::now();
  auto now = start;
  long before_end = 0;
  {
    vexacab::Progress progress("extracting", 4 << 20, out, [&now] { return now; }, false);
    struct Step {
      int milliseconds;
      uint64_t bytes;
      const char* shown;  // what the line says after this step; "" for nothing new
    } steps[] = {
        {500, 1 << 20, ""},
        {1200, 1 << 20, "\r\033[Kvexacab: extracting  50% (2.0 of 4.0 MiB)"},
        {1250, 1 << 20, ""},  // too soon to draw again
        {1400, 2 << 20, "\r\033[Kvexacab: extracting 100% (4.0 of 4.0 MiB)"},
        {1600, 1 << 20, "\r\033[Kvexacab: extracting 100% (4.0 of 4.0 MiB)"},  // never past the end
    };
    for (const Step& step : steps) {
      now = start + std::chrono::milliseconds(step.milliseconds);
      long before = std::ftell(out);
      progress.advance(step.bytes);
      std::string drawn(size_t(std::ftell(out) - before), '\0');
      std::fseek(out, before, SEEK_SET);
      EXPECT_EQ(std::fread(drawn.data(), 1, drawn.size(), out), drawn.size());
      EXPECT_EQ(drawn, step.shown) << step.milliseconds;
    }
    before_end = std::ftell(out);
  }
  std::fseek(out, 0, SEEK_END);
  EXPECT_EQ(std::ftell(out) - before_end, 4) << "the line is wiped at the end";
  std::fclose(out);

  // A long step with no news: the heartbeat says it is still working.
  out = std::tmpfile();
  std::atomic<int64_t> seconds{0};
  {
    vexacab::Progress progress("creating", 100, out, [&] { return start + std::chrono::seconds(seconds.load()); });
    progress.advance(10);
    seconds = 7;
    std::string text;
    for (int wait = 0; wait < 100 && !contains(text, ", working 7s"); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      // Read through the descriptor at offset 0: moving the stream's own position here would
      // race with the heartbeat thread's writes through it.
      char buffer[4096];
      ssize_t n = pread(fileno(out), buffer, sizeof buffer, 0);
      text.assign(buffer, size_t(n > 0 ? n : 0));
    }
    EXPECT_TRUE(contains(text, "vexacab: creating  10% (0.0 of 0.0 MiB), working 7s")) << text;
  }
  std::fclose(out);

  vexacab::Progress silent("extracting", 10, nullptr);
  silent.advance(5);  // no terminal: nothing to draw on, and nothing breaks
}

// Bash completion: the file sourced into a shell, asked as bash asks it.
TEST(VexacabCompletion, OffersCommandsOptionsAndMethods) {
  struct Case {
    std::string words;  // COMP_WORDS; the last is the word being completed
    std::string offered;
  } cases[] = {
      {"vexacab ''", "create list info extract test --help --version"},
      {"vexacab ex", "extract"},
      {"vexacab create -m lzx:2", "lzx:20 lzx:21"},
      {"vexacab create --m", "--method --max-size"},
      {"vexacab extract --", "--directory --ignore-case --pipe --dry-run"},
      {"vexacab list -", "-l --long"},
  };
  for (const Case& c : cases) {
    std::string script = "source '" VEXACAB_COMPLETION "'\nCOMP_WORDS=(" + c.words +
                         ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n_vexacab\necho \"${COMPREPLY[*]}\"\n";
    auto result = testsupport::run_process("/bin/bash", {"-c", script}, "", "", {});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, c.offered + "\n") << c.words;
  }
}

}  // namespace
