// The streaming writer against the in-memory one: the same bytes for every method and layout,
// and a clear error, never a cabinet, when an input changes or a spool cannot be written.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "installer_test_support.h"
#include "stream_set_writer.h"

using namespace cabwriter;
using testsupport::TempDir;

namespace {

// Sizes around a block boundary, empty files first, between and last, and files larger than
// several blocks (and than the read piece).
std::vector<SourceFile> sample_files(size_t large) {
  using testcab::file;
  return {file("lead-empty", {}),
          file("one", {'x'}),
          file("short", testdata::text_like(32767, 1)),
          file("block", testdata::binary_like(32768, 2)),
          file("long", testdata::random_bytes(32769, 3)),
          file("between", {}),
          file("large", testdata::text_like(large, 4)),
          file("ユニ.txt", testdata::binary_like(70000, 5), 0xA0),
          file("tail", {})};
}

// The same files on disk, and as the in-memory writer's folders: the first four in one folder,
// the rest in a second.
struct Sample {
  std::vector<SourceFolder> memory;
  std::vector<DiskFolder> disk;
};

Sample write_sample(const TempDir& dir, uint16_t type_compress, size_t large) {
  std::vector<SourceFile> files = sample_files(large);
  Sample sample;
  for (size_t i = 0; i < files.size(); ++i) {
    if (i == 0 || i == 4) {
      sample.memory.push_back(testcab::folder(type_compress, {}));
      sample.disk.push_back(DiskFolder{type_compress, Effort::Normal, {}});
    }
    std::string path = dir / ("in" + std::to_string(i));
    testsupport::write_file(path, files[i].data);
    sample.disk.back().files.push_back(
        DiskFile{path, files[i].name, uint32_t(files[i].data.size()), files[i].date, files[i].time, files[i].attributes});
    sample.memory.back().files.push_back(files[i]);
  }
  return sample;
}

std::vector<uint8_t> written(const StreamedSet& set, size_t member) {
  std::vector<uint8_t> bytes;
  set.write(member, [&](std::span<const uint8_t> piece) { bytes.insert(bytes.end(), piece.begin(), piece.end()); });
  return bytes;
}

struct Layout {
  const char* what;
  uint32_t max_cabinet_size;
  bool reserves;
  size_t read_piece;
  size_t large;  // bytes of the largest file
  bool lzx_and_quantum;  // too slow for a megabyte under the sanitizers; cut the same way below
};

SetOptions options_of(const Layout& layout) {
  SetOptions options;
  options.max_cabinet_size = layout.max_cabinet_size;
  if (layout.reserves) {
    options.reserve_present = true;
    options.header_reserve.assign(20, 0);
    options.folder_reserve_size = 4;
    options.data_reserve_size = 8;
  }
  return options;
}

TEST(StreamedSet, WritesTheBytesOfTheInMemoryWriter) {
  const std::vector<uint16_t> methods = {METHOD_NONE, METHOD_MSZIP, type_compress_of(METHOD_LZX, 16),
                                         type_compress_of(METHOD_QUANTUM, 12)};
  const std::vector<Layout> layouts = {
      {"one cabinet, default pieces", 0, false, StreamOptions{}.read_piece, (size_t(1) << 20) + 3, false},
      {"one cabinet, odd pieces", 0, true, 7777, 100000, true},
      {"a set with reserves", 40000, true, 4096, 100000, true},
  };
  for (uint16_t method : methods) {
    for (const Layout& layout : layouts) {
      if (!layout.lzx_and_quantum && method > METHOD_MSZIP) continue;
      SCOPED_TRACE(std::string(layout.what) + ", type " + std::to_string(method));
      TempDir dir;
      Sample sample = write_sample(dir, method, layout.large);
      SetOptions options = options_of(layout);
      std::vector<CabinetImage> images = build_set(sample.memory, options);
      size_t read = 0;
      StreamOptions stream;
      stream.spool_folder = dir.path();
      stream.read_piece = layout.read_piece;
      stream.on_read = [&](size_t n) {
        EXPECT_LE(n, layout.read_piece);
        read += n;
      };
      StreamedSet set(sample.disk, options, stream);
      EXPECT_GE(read, layout.large);
      ASSERT_EQ(set.size(), images.size());
      EXPECT_GE(set.size(), layout.max_cabinet_size ? 3u : 1u);
      for (size_t i = 0; i < set.size(); ++i) {
        std::vector<uint8_t> bytes = written(set, i);
        EXPECT_TRUE(bytes == serialize(images[i])) << "member " << i;
        EXPECT_EQ(set.cabinet_size(i), bytes.size());
        EXPECT_EQ(set.records(i).file_name, images[i].file_name);
      }
      EXPECT_EQ(testsupport::list_tree(dir.path()).size(), sample_files(0).size()) << "the spool has no name";
    }
  }
}

struct Failure {
  const char* what;
  std::function<void(Sample&, StreamOptions&, const TempDir&)> arrange;
  std::string message;  // "@" stands for the temporary folder
};

TEST(StreamedSet, FailsWithTheCauseWhenInputsChangeOrTheSpoolFails) {
  const std::vector<Failure> failures = {
      {"a file that grew",
       [](Sample& s, StreamOptions&, const TempDir&) { --s.disk[1].files[2].size; },
       "cannot read @/in6: it grew past 99999 bytes while being read"},
      {"a file that shrank",
       [](Sample& s, StreamOptions&, const TempDir&) { ++s.disk[0].files[3].size; },
       "cannot read @/in3: it shrank to 32768 bytes while being read"},
      {"a file that went away",
       [](Sample& s, StreamOptions&, const TempDir& dir) { s.disk[0].files[1].path = dir / "gone"; },
       "cannot read @/gone: No such file or directory"},
      {"a pipe in place of a file",
       [](Sample& s, StreamOptions&, const TempDir& dir) {
         ::mkfifo((dir / "fifo").c_str(), 0644);
         s.disk[0].files[1].path = dir / "fifo";
       },
       "cannot read @/fifo: not a regular file"},
      {"a full disk under the spool",
       [](Sample&, StreamOptions& o, const TempDir&) {
         o.spool_write = testsupport::faulty_output_syscalls({.fail_at = 3, .error = ENOSPC}).write;
       },
       "cannot write the spool file in @: No space left on device"},
      {"an I/O error under the spool",
       [](Sample&, StreamOptions& o, const TempDir&) {
         o.spool_write = testsupport::faulty_output_syscalls({.fail_at = 1, .error = EIO}).write;
       },
       "cannot write the spool file in @: Input/output error"},
      {"no folder for the spool",
       [](Sample&, StreamOptions& o, const TempDir& dir) { o.spool_folder = dir / "missing"; },
       "cannot create a spool file in @/missing: No such file or directory"},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    TempDir dir;
    Sample sample = write_sample(dir, METHOD_MSZIP, 100000);
    StreamOptions stream;
    stream.spool_folder = dir.path();
    failure.arrange(sample, stream, dir);
    std::string expected = failure.message;
    expected.replace(expected.find('@'), 1, dir.path());
    try {
      StreamedSet set(sample.disk, SetOptions{}, stream);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
}

// Whatever the cut of the stream, the piecewise encoders write what one piece gives.
TEST(StreamEncoders, OutputDoesNotDependOnTheCut) {
  std::vector<uint8_t> stream = testdata::text_like(100000, 9);
  for (uint16_t method : {METHOD_NONE, METHOD_MSZIP}) {
    std::vector<CompressedBlock> whole = encode_in_one_piece(*make_stream_encoder(method), stream);
    ASSERT_EQ(whole.size(), 4u);
    for (size_t cut : {size_t(1), size_t(1000), size_t(32767), size_t(32768), size_t(65537)}) {
      std::unique_ptr<StreamEncoder> encoder = make_stream_encoder(method);
      std::vector<CompressedBlock> blocks;
      for (size_t at = 0; at < stream.size(); at += cut)
        encoder->feed(std::span(stream).subspan(at, std::min(cut, stream.size() - at)), blocks);
      encoder->finish(blocks);
      ASSERT_EQ(blocks.size(), whole.size()) << cut;
      for (size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_TRUE(blocks[b].bytes == whole[b].bytes) << "method " << method << ", cut " << cut << ", block " << b;
        EXPECT_EQ(blocks[b].uncompressed_size, whole[b].uncompressed_size);
      }
    }
  }
}

}  // namespace
