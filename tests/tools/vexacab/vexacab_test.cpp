// vexacab as a user runs it: real files in a temporary folder, the real executable.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "lzx_encoder.h"
#include "installer/frontend/dos_time.h"

namespace fs = std::filesystem;
using namespace cabwriter;
using testcab::file;
using testcab::folder;

namespace {

struct Result {
  int status;
  std::string out;  // standard output and error together
};

Result run(const std::string& arguments) {
  std::string command = std::string(VEXACAB_PATH) + " " + arguments + " 2>&1";
  Result result{0, ""};
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> buffer;
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) result.out.append(buffer.data(), n);
  int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

std::vector<uint8_t> slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class Vexacab : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vexacab-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "cabs");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string cabs() const { return (root_ / "cabs").string(); }
  std::string out() const { return (root_ / "out").string(); }

  fs::path root_;
};

TEST_F(Vexacab, ExtractsASetWithTimesAndAttributes) {
  std::vector<SourceFolder> folders = {
      folder(1, {file("readme.txt", testdata::text_like(5000, 1)),
                 file("data/big.bin", testdata::random_bytes(90000, 2), 0x01 | 0x20)}),
      folder(0, {file("bin\\tool", {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'})})};
  folders[0].files[0].date = uint16_t(((2001 - 1980) << 9) | (2 << 5) | 3);
  folders[0].files[0].time = uint16_t((4 << 11) | (5 << 5) | 3);
  SetOptions options;
  options.max_cabinet_size = 40000;
  auto set = build_set(folders, options);
  ASSERT_GE(set.size(), 3u);
  write_set(set, cabs());

  Result r = run("extract -d " + out() + " " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(slurp(out() + "/readme.txt"), folders[0].files[0].data);
  EXPECT_EQ(slurp(out() + "/data/big.bin"), folders[0].files[1].data);
  EXPECT_EQ(slurp(out() + "/bin/tool"), folders[1].files[0].data);

  struct stat st;
  ASSERT_EQ(stat((out() + "/readme.txt").c_str(), &st), 0);
  std::time_t expected;
  ASSERT_TRUE(dos_date_time_to_unix(folders[0].files[0].date, folders[0].files[0].time, &expected));
  EXPECT_EQ(st.st_mtime, expected);
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  EXPECT_EQ(local.tm_year, 2001 - 1900);
  EXPECT_EQ(local.tm_hour, 4);
  EXPECT_EQ(local.tm_sec, 6);
  ASSERT_EQ(stat((out() + "/data/big.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u) << "read-only attribute";
  ASSERT_EQ(stat((out() + "/bin/tool").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0100, 0u) << "a script becomes executable";

  // A second extraction replaces the files, read-only ones included.
  r = run("extract -d " + out() + " " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(Vexacab, HostileNamesStayInsideTheDestination) {
  std::vector<SourceFolder> folders = {folder(0, {file("../escape1", {1}), file("/etc/escape2", {2}),
                                                   file("..\\..\\escape3", {3}), file("C:\\x\\y", {4}),
                                                   file("a/../../escape4", {5}), file("ok:name", {6})})};
  write_set({build_cabinet(folders)}, cabs());
  fs::create_directories(out());
  Result r = run("extract -d " + out() + " " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(slurp(out() + "/escape1"), std::vector<uint8_t>{1});
  EXPECT_EQ(slurp(out() + "/etc/escape2"), std::vector<uint8_t>{2});
  EXPECT_EQ(slurp(out() + "/escape3"), std::vector<uint8_t>{3});
  EXPECT_EQ(slurp(out() + "/x/y"), std::vector<uint8_t>{4});
  EXPECT_EQ(slurp(out() + "/a/escape4"), std::vector<uint8_t>{5});
  EXPECT_EQ(slurp(out() + "/ok_name"), std::vector<uint8_t>{6});
  for (const auto& entry : fs::directory_iterator(root_))
    EXPECT_TRUE(entry.path().filename() == "cabs" || entry.path().filename() == "out") << entry.path();
}

TEST_F(Vexacab, ListShowsEveryColumn) {
  std::vector<SourceFolder> folders = {
      folder(0, {file("\x89\xB9\x8A\x79.txt", testdata::text_like(100, 1))}),  // CP932
      folder(1, {file("音楽.mid", {1, 2, 3}, 0x80 | 0x21)})};
  write_set({build_cabinet(folders)}, cabs());
  Result r = run("list " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("音楽.txt"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("音楽.mid"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("R--A-U"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("MSZIP"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("none"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2026-12-07 12:00:00"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 files, 103 bytes"), std::string::npos) << r.out;
}

TEST_F(Vexacab, FailuresAreNamed) {
  std::ofstream(cabs() + "/text.cab") << "just some text, long enough to be read as a header......";
  Result r = run("test " + cabs() + "/text.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: BadSignature ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("is not a cabinet"), std::string::npos) << r.out;

  CabinetImage cab = build_cabinet({folder(1, {file("a", testdata::text_like(50000, 1))})});
  cab.folders[0].blocks[1].csum = 1;
  write_set({cab}, cabs());
  r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: CorruptData ("), std::string::npos) << r.out;

  cab.folders[0].blocks[1].csum.reset();
  cab.version_minor = 2;
  write_set({cab}, cabs());
  r = run("list " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: BadVersion ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0x0102"), std::string::npos) << r.out;

  r = run("test " + cabs() + "/missing.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: OpenFailed ("), std::string::npos) << r.out;
}

TEST_F(Vexacab, MissingNextCabinetIsReported) {
  SetOptions options;
  options.max_cabinet_size = 30000;
  auto set = build_set({folder(0, {file("big", testdata::random_bytes(50000, 1))})}, options);
  write_set(set, cabs());
  fs::remove(cabs() + "/disk2.cab");
  Result r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: OpenFailed (next cabinet disk2.cab"), std::string::npos) << r.out;
  r = run("test " + cabs() + "/disk1.cab extra");
  EXPECT_EQ(r.status, 2);
  r = run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("vexacab extract [-d DIR] [-i] [-p | -n] CAB [PATTERN...]"), std::string::npos);
}

TEST_F(Vexacab, QuantumFoldersAcrossASet) {
  std::vector<SourceFolder> folders = {
      folder(0x0A02, {file("docs/readme.txt", testdata::text_like(60000, 1)), file("tiny", {'x'})}),
      folder(0x1502, {file("bin/data.dat", testdata::binary_like(150000, 2)),
                      file("rand.bin", testdata::random_bytes(30000, 3))})};
  SetOptions options;
  options.max_cabinet_size = 40000;
  auto set = build_set(folders, options);
  ASSERT_GE(set.size(), 3u);
  write_set(set, cabs());

  Result r = run("list " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Quantum:10 docs/readme.txt"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Quantum:21 bin/data.dat"), std::string::npos) << r.out;
  r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("OK: 4 files, 240001 bytes"), std::string::npos) << r.out;
  r = run("extract -d " + out() + " " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(slurp(out() + "/docs/readme.txt"), folders[0].files[0].data);
  EXPECT_EQ(slurp(out() + "/tiny"), folders[0].files[1].data);
  EXPECT_EQ(slurp(out() + "/bin/data.dat"), folders[1].files[0].data);
  EXPECT_EQ(slurp(out() + "/rand.bin"), folders[1].files[1].data);

  // A block cut short, with no checksum to catch it first: the decoder runs out of input.
  SetOptions unchecked;
  unchecked.checksums = false;
  CabinetImage cab = build_cabinet({folder(0x1002, {file("a", testdata::text_like(50000, 1))})}, unchecked);
  cab.folders[0].blocks[1].data.resize(cab.folders[0].blocks[1].data.size() / 2);
  write_set({cab}, cabs());
  r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("vexacab: DecoderFailed ("), std::string::npos) << r.out;
}

}  // namespace

namespace {

TEST_F(Vexacab, ListsExtractsAndTestsLzxFolders) {
  std::vector<SourceFolder> folders = {
      folder(type_compress_of(METHOD_LZX, 16), {file("game.exe", testdata::binary_like(150000, 1)),
                                                 file("readme.txt", testdata::text_like(40000, 2))}),
      folder(type_compress_of(METHOD_LZX, 21), {file("noise.bin", testdata::random_bytes(60000, 3))})};
  SetOptions options;
  options.max_cabinet_size = 30000;
  auto set = build_set(folders, options);
  ASSERT_GE(set.size(), 3u);
  write_set(set, cabs());

  Result r = run("list " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("LZX:16"), std::string::npos) << r.out;
  r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 0) << r.out;
  r = run("extract -d " + out() + " " + cabs() + "/disk1.cab");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const SourceFolder& f : folders)
    for (const SourceFile& s : f.files) EXPECT_EQ(slurp(out() + "/" + s.name), s.data) << s.name;

  // A damaged LZX block with a matching checksum reaches the decoder, which refuses it.
  folders[0].encoder = [](std::span<const uint8_t> stream) {
    LzxOptions lzx;
    lzx.window_bits = 16;
    auto blocks = encode_lzx(stream, lzx);
    blocks[0].bytes.resize(blocks[0].bytes.size() / 3);
    return blocks;
  };
  fs::remove_all(cabs());
  fs::create_directories(cabs());
  write_set({build_cabinet({folders[0]})}, cabs());
  r = run("test " + cabs() + "/disk1.cab");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("vexacab: DecoderFailed ("), std::string::npos) << r.out;
}

}  // namespace
