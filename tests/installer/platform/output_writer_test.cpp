// The output writer's promises: a final name changes only by a complete rename, nothing below
// the destination is written through a link, and every failure names its step and its cause.
#include "installer/platform/output_writer.h"

#include <fcntl.h>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <cstring>
#include <functional>
#include <map>

#include "installer/platform/file_digest.h"
#include "installer_test_support.h"

using namespace platform;
using testsupport::TempDir;

namespace {

struct Tree {
  TempDir root;  // holds "dest" and, beside it, "outside"
  std::string dest() const { return root / "dest"; }
  Tree() {
    std::filesystem::create_directories(root / "dest");
    std::filesystem::create_directories(root / "outside");
    testsupport::write_file(root / "dest/old.txt", std::string("earlier content"));
    testsupport::write_file(root / "outside/target.txt", std::string("not ours"));
  }
};

std::vector<uint8_t> big_data(size_t size) { return testsupport::pattern_bytes(size, 7); }

// Writes `data` to `name` in 10000-byte pieces and commits (or, `later`, hands the commit to
// the writer thread); false at the first failure (the file is then discarded, as the engine's
// close does).
bool write_through(OutputWriter& writer, const std::string& name, const std::vector<uint8_t>& data,
                   bool later = false, const OutputStamp& stamp = {}) {
  int handle = writer.begin(name);
  if (handle < 0) return false;
  for (size_t at = 0; at < data.size(); at += 10000) {
    if (!writer.write(handle, data.data() + at, std::min<size_t>(10000, data.size() - at))) {
      writer.discard(handle);
      return false;
    }
  }
  return later ? writer.commit_later(handle, stamp) : writer.commit(handle, stamp);
}

struct FailureCase {
  const char* what;
  std::function<void(Tree&)> prepare;
  std::string name;
  testsupport::WriteFaults faults;
  OutputStep step;
  int error;
  std::string failed_name;
};

class OutputFailures : public ::testing::TestWithParam<FailureCase> {};

// The case's file written and committed (or, `later`, its commit handed over and settled).
void expect_failure_changes_nothing(const FailureCase& c, bool later) {
  Tree tree;
  if (c.prepare) c.prepare(tree);
  testsupport::TreeSnapshot before = testsupport::snapshot_tree(tree.root.path());
  {
    OutputWriter writer({}, testsupport::faulty_output_syscalls(c.faults));
    ASSERT_TRUE(writer.open_destination(tree.dest(), false));
    EXPECT_FALSE(write_through(writer, c.name, big_data(3 << 20), later) && writer.settle());
    EXPECT_EQ(writer.failure().step, c.step);
    EXPECT_EQ(writer.failure().error, c.error) << std::strerror(writer.failure().error);
    EXPECT_EQ(writer.failure().name, c.failed_name);
  }
  EXPECT_EQ(testsupport::tree_changes(before, testsupport::snapshot_tree(tree.root.path())),
            std::vector<std::string>{});
}

TEST_P(OutputFailures, LeaveEveryEarlierFileAsItWasAndNoTemporaryFile) { expect_failure_changes_nothing(GetParam(), false); }

TEST_P(OutputFailures, AreTheSameWhenTheCommitDoesNotWait) { expect_failure_changes_nothing(GetParam(), true); }

void link_folder(Tree& t) { symlink((t.root / "outside").c_str(), (t.dest() + "/sub").c_str()); }
void make_folder_named(Tree& t) { mkdir((t.dest() + "/old.txt2").c_str(), 0755); }
void make_read_only(Tree& t) { chmod((t.dest() + "/old.txt").c_str(), 0444); }
void file_in_the_way(Tree& t) { testsupport::write_file(t.dest() + "/sub", std::string("a file")); }

INSTANTIATE_TEST_SUITE_P(
    Writer, OutputFailures,
    ::testing::Values(
        FailureCase{"disk full at the first write", nullptr, "old.txt", {1, ENOSPC}, OutputStep::Write, ENOSPC, "old.txt"},
        FailureCase{"disk full at the fifth write", nullptr, "old.txt", {5, ENOSPC}, OutputStep::Write, ENOSPC, "old.txt"},
        FailureCase{"I/O error, new file", nullptr, "new.bin", {2, EIO}, OutputStep::Write, EIO, "new.bin"},
        FailureCase{"short writes, then a failure", nullptr, "old.txt", {9, EIO, 4096}, OutputStep::Write, EIO, "old.txt"},
        FailureCase{"folder on the way is a link", link_folder, "sub/target.txt", {}, OutputStep::FolderIsLink, 0, "sub"},
        FailureCase{"deeper folder after a link", link_folder, "sub/x/y.txt", {}, OutputStep::FolderIsLink, 0, "sub"},
        FailureCase{"a file where a folder goes", file_in_the_way, "sub/y.txt", {}, OutputStep::Folder, ENOTDIR, "sub"},
        FailureCase{"a folder where the file goes", make_folder_named, "old.txt2", {}, OutputStep::Create, EISDIR, "old.txt2"},
        FailureCase{"read-only earlier file", make_read_only, "old.txt", {}, OutputStep::Create, EACCES, "old.txt"},
        FailureCase{"name too long", nullptr, std::string(300, 'n'), {}, OutputStep::Create, ENAMETOOLONG, std::string(300, 'n')},
        FailureCase{"parent step", nullptr, "../outside/target.txt", {}, OutputStep::Create, EINVAL, "../outside/target.txt"},
        FailureCase{"empty component", nullptr, "a//b", {}, OutputStep::Create, EINVAL, "a//b"}),
    [](const auto& info) { return testsupport::test_name_of(info.param.what); });

// Gathered writes, and past the first 256 KiB the large ones straight to the file, interleaved:
// every byte lands in order.
TEST(OutputWriter, MixedWriteSizesArriveInOrder) {
  Tree tree;
  OutputWriter writer;
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  std::vector<uint8_t> data = big_data(2 << 20);
  int handle = writer.begin("mixed.bin");
  ASSERT_GE(handle, 0);
  const size_t sizes[] = {10000, 32768, 100, 40000, 16384, 16383};
  for (size_t at = 0, i = 0; at < data.size(); ++i) {
    size_t n = std::min(sizes[i % std::size(sizes)], data.size() - at);
    ASSERT_TRUE(writer.write(handle, data.data() + at, n));
    at += n;
  }
  ASSERT_TRUE(writer.commit(handle, {}));
  EXPECT_EQ(testsupport::read_file(tree.dest() + "/mixed.bin"), data);
}

// The digest of what a file holds, read back the way the uninstaller reads it.
std::string digest_on_disk(const std::string& path, uint64_t* size) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  std::string hex;
  EXPECT_TRUE(fd >= 0 && sha256_of_handle(fd, size, &hex)) << path;
  if (fd >= 0) close(fd);
  return hex;
}

// Sizes around the 256 KiB a file is gathered into before the writer thread takes its bytes:
// what commit reports is what the file holds.
TEST(OutputWriter, ReportsTheDigestOfWhatItWroteAtEverySize) {
  Tree tree;
  OutputWriter writer({.digest = true});
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  for (size_t size : {size_t(0), size_t(1), size_t(256 << 10), size_t((256 << 10) + 1), size_t((3 << 20) + 123)}) {
    std::vector<uint8_t> data = big_data(size);
    int handle = writer.begin("sized.bin");
    for (size_t at = 0; at < size; at += 10000)
      ASSERT_TRUE(writer.write(handle, data.data() + at, std::min<size_t>(10000, size - at)));
    WrittenFile written;
    ASSERT_TRUE(writer.commit(handle, {}, &written));
    uint64_t on_disk = 0;
    EXPECT_EQ(written.sha256, digest_on_disk(tree.dest() + "/sized.bin", &on_disk)) << size;
    EXPECT_EQ(written.size, size);
    EXPECT_EQ(on_disk, size);
  }
  int handle = writer.begin("abc.txt");
  WrittenFile written;
  ASSERT_TRUE(writer.write(handle, "abc", 3) && writer.commit(handle, {}, &written));
  EXPECT_EQ(written.sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

// Two large files pending at once, written alternately, the first failing on the writer
// thread: the failure is reported at the first file, the second arrives whole.
TEST(OutputWriter, AFailureOnTheWriterThreadIsReportedAtItsOwnFile) {
  Tree tree;
  testsupport::TreeSnapshot before = testsupport::snapshot_tree(tree.root.path());
  OutputWriter writer({}, testsupport::faulty_output_syscalls({2, ENOSPC}));
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  std::vector<uint8_t> first = big_data(2 << 20), second = testsupport::pattern_bytes(2 << 20, 9);
  int a = writer.begin("old.txt"), b = writer.begin("second.bin");
  bool a_failed = false;
  for (size_t at = 0; at < first.size(); at += 300000) {
    size_t n = std::min<size_t>(300000, first.size() - at);
    a_failed = a_failed || !writer.write(a, first.data() + at, n);
    ASSERT_TRUE(writer.write(b, second.data() + at, n));
  }
  ASSERT_TRUE(writer.commit(b, {}));
  EXPECT_FALSE(!a_failed && writer.commit(a, {}));
  EXPECT_EQ(writer.failure().step, OutputStep::Write);
  EXPECT_EQ(writer.failure().error, ENOSPC);
  EXPECT_EQ(writer.failure().name, "old.txt");
  writer.discard(a);
  EXPECT_EQ(testsupport::read_file(tree.dest() + "/second.bin"), second);
  EXPECT_EQ(testsupport::tree_changes(before, testsupport::snapshot_tree(tree.root.path())),
            std::vector<std::string>{"dest/second.bin"});
}

// Commits that do not wait leave what commit() leaves, at every size, and what begin() and
// exists() see of a name (or of a folder on its way) is what commit() would have left there.
TEST(OutputWriter, CommitsThatDoNotWaitLeaveWhatCommitsLeave) {
  Tree tree;
  OutputWriter writer({.replace_read_only = true});
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  const size_t sizes[] = {0, 1, 1000, 256 << 10, (256 << 10) + 1, 3 << 20};
  std::map<std::string, std::vector<uint8_t>> expected;
  for (uint32_t round = 0; round < 3; ++round) {  // the later rounds replace the earlier files
    for (size_t i = 0; i < std::size(sizes); ++i) {
      const std::string name = "d" + std::to_string(i) + "/f.bin";
      expected[name] = testsupport::pattern_bytes(sizes[i], round * 10 + uint32_t(i));
      const OutputStamp stamp{.has_time = true, .modified = 1000000000 + int64_t(i), .read_only = i == 2};
      ASSERT_TRUE(write_through(writer, name, expected[name], true, stamp)) << name;
      if (round == 0) {
        EXPECT_TRUE(writer.exists(name)) << name;
      }
    }
  }
  ASSERT_TRUE(write_through(writer, "x", big_data(3 << 20), true));
  EXPECT_EQ(writer.begin("x/y"), -1);  // a file is where the folder would go
  EXPECT_EQ(writer.failure().step, OutputStep::Folder);
  EXPECT_EQ(writer.failure().error, ENOTDIR);
  ASSERT_TRUE(writer.settle());
  for (size_t i = 0; i < std::size(sizes); ++i) {
    const std::string path = tree.dest() + "/d" + std::to_string(i) + "/f.bin";
    EXPECT_EQ(testsupport::read_file(path), expected["d" + std::to_string(i) + "/f.bin"]) << path;
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1000000000 + time_t(i));
    EXPECT_EQ((info.st_mode & 0222) == 0, i == 2) << path;
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.dest()))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".vexa-")) << entry.path();
}

// A commit that did not wait and failed ends the run at its own file: the next call or settle()
// names it, the files handed over after it take no name, the earlier ones keep theirs.
TEST(OutputWriter, ACommitThatDidNotWaitFailsTheRunAtItsOwnFile) {
  Tree tree;
  testsupport::TreeSnapshot before = testsupport::snapshot_tree(tree.root.path());
  {
    OutputWriter writer({}, testsupport::faulty_output_syscalls({3, ENOSPC}));  // small files: a write each
    ASSERT_TRUE(writer.open_destination(tree.dest(), false));
    for (int i = 0; i < 6; ++i)
      if (!write_through(writer, "f" + std::to_string(i) + ".bin", big_data(1000), true)) break;
    EXPECT_FALSE(writer.settle());
    EXPECT_EQ(writer.failure().step, OutputStep::Write);
    EXPECT_EQ(writer.failure().error, ENOSPC);
    EXPECT_EQ(writer.failure().name, "f2.bin");
    int handle = writer.begin("after.bin");
    EXPECT_FALSE(writer.commit_later(handle, {}));  // the run is over
    EXPECT_EQ(writer.failure().name, "f2.bin");
  }
  EXPECT_EQ(testsupport::tree_changes(before, testsupport::snapshot_tree(tree.root.path())),
            (std::vector<std::string>{"dest/f0.bin", "dest/f1.bin"}));
}

// A task handed over between writes runs after every byte before it is written and before any
// after it, across files and commits that do not wait, on a disk slow enough for it to queue;
// only a file's first buffer may land after it (so that a small file takes one write). The
// files arrive whole.
TEST(OutputWriter, TasksRunBetweenTheBytesAroundThem) {
  Tree tree;
  OutputWriter writer({}, testsupport::faulty_output_syscalls({.pause_us = 300}));
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  const size_t sizes[] = {1000, 300000, 3 << 20, 5};
  const uint64_t first_buffer = 256 << 10;
  std::vector<uint64_t> handed_before, lag_allowed, written_before;
  uint64_t handed = 0;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    const std::vector<uint8_t> data = testsupport::pattern_bytes(sizes[i], uint32_t(i));
    int handle = writer.begin("f" + std::to_string(i));
    ASSERT_GE(handle, 0);
    for (size_t at = 0; at < data.size(); at += 70000) {
      handed_before.push_back(handed);
      lag_allowed.push_back(at <= first_buffer ? at : 0);
      writer.run_in_order([&] { written_before.push_back(testsupport::bytes_taken_by_faulty_writes()); });
      const size_t n = std::min<size_t>(70000, data.size() - at);
      ASSERT_TRUE(writer.write(handle, data.data() + at, n));
      handed += n;
    }
    ASSERT_TRUE(writer.commit_later(handle, {}));
  }
  ASSERT_TRUE(writer.settle());
  ASSERT_EQ(written_before.size(), handed_before.size());
  for (size_t i = 0; i < handed_before.size(); ++i) {
    EXPECT_LE(written_before[i], handed_before[i]) << i;
    EXPECT_LE(handed_before[i] - written_before[i], lag_allowed[i]) << i;
  }
  for (size_t i = 0; i < std::size(sizes); ++i)
    EXPECT_EQ(testsupport::read_file(tree.dest() + "/f" + std::to_string(i)),
              testsupport::pattern_bytes(sizes[i], uint32_t(i)));
}

TEST(OutputWriter, ReplacesOnlyAtCommitAndShortWritesStillArriveWhole) {
  Tree tree;
  OutputWriter writer({}, testsupport::faulty_output_syscalls({0, 0, 1000}));
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  std::vector<uint8_t> data = big_data(1 << 20);
  int handle = writer.begin("old.txt");
  ASSERT_GE(handle, 0);
  ASSERT_TRUE(writer.write(handle, data.data(), data.size()));
  EXPECT_EQ(testsupport::read_file(tree.dest() + "/old.txt").size(), 15u);  // still the earlier one
  ASSERT_TRUE(writer.commit(handle, {}));
  EXPECT_EQ(testsupport::read_file(tree.dest() + "/old.txt"), data);
  EXPECT_EQ(testsupport::temporary_files(testsupport::snapshot_tree(tree.root.path())), std::vector<std::string>{});
}

TEST(OutputWriter, ReplacesALinkAtTheFinalNameNotItsTarget) {
  Tree tree;
  symlink((tree.root / "outside/target.txt").c_str(), (tree.dest() + "/link.txt").c_str());
  OutputWriter writer;
  ASSERT_TRUE(writer.open_destination(tree.dest(), false));
  ASSERT_TRUE(write_through(writer, "link.txt", {'n', 'e', 'w'}));
  struct stat info;
  ASSERT_EQ(lstat((tree.dest() + "/link.txt").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(testsupport::read_file(tree.root / "outside/target.txt").size(), 8u);
  EXPECT_TRUE(writer.exists("link.txt"));
  EXPECT_FALSE(writer.exists("missing/x"));
}

TEST(OutputWriter, StampsTimeThenModeAndMarksPrograms) {
  Tree tree;
  OutputWriter writer;
  ASSERT_TRUE(writer.open_destination(tree.dest() + "/made/here", true));
  const std::string script = "#!/bin/sh\n";
  int handle = writer.begin("run.sh");
  ASSERT_TRUE(writer.write(handle, script.data(), script.size()));
  ASSERT_TRUE(writer.commit(handle, {true, 1000000000, true}));
  std::string path = tree.dest() + "/made/here/run.sh";
  EXPECT_EQ(testsupport::mtime_of(path), 1000000000);
  EXPECT_EQ(testsupport::mode_of(path) & 0333, 0111u);  // executable, not writable
}

TEST(OutputWriter, ADestinationThatIsAFileIsRefused) {
  Tree tree;
  OutputWriter writer;
  EXPECT_FALSE(writer.open_destination(tree.dest() + "/old.txt", true));
  EXPECT_EQ(writer.failure().step, OutputStep::Destination);
  EXPECT_EQ(writer.failure().error, ENOTDIR);
}

TEST(OutputWriter, DiscardAndDestructionRemoveTemporaryFiles) {
  Tree tree;
  {
    OutputWriter writer;
    ASSERT_TRUE(writer.open_destination(tree.dest(), false));
    int first = writer.begin("a");
    int second = writer.begin("b/c");
    ASSERT_TRUE(writer.write(first, "x", 1));
    ASSERT_TRUE(writer.write(second, "y", 1));
    writer.discard(first);
    EXPECT_FALSE(writer.owns(first));
    EXPECT_TRUE(writer.owns(second));
  }
  auto tree_after = testsupport::snapshot_tree(tree.root.path());
  EXPECT_EQ(testsupport::temporary_files(tree_after), std::vector<std::string>{});
  EXPECT_FALSE(tree_after.count("dest/a"));
}

}  // namespace
