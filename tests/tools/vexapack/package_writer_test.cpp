// The packager's pieces: the settings block byte for byte, the stub made to fit the package
// offset, the compression methods it accepts, and the package streamed to disk.
#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "installer/cabinet/codec.h"
#include "installer/frontend/installer_app.h"
#include "installer/frontend/package_offset.h"
#include "installer_test_support.h"
#include "package_output.h"
#include "package_writer.h"
#include "source_files.h"

using namespace vexapack;

namespace {

std::vector<uint8_t> stub_with_constant(size_t size, uint32_t value = PACKAGE_OFFSET) {
  std::vector<uint8_t> stub(size, 0x90);
  std::copy(PACKAGE_OFFSET_MARKER, PACKAGE_OFFSET_MARKER + sizeof PACKAGE_OFFSET_MARKER, stub.begin() + 4000);
  for (int i = 0; i < 4; ++i) stub[4000 + sizeof PACKAGE_OFFSET_MARKER + i] = uint8_t(value >> (8 * i));
  return stub;
}

TEST(SettingsBlock, IsLaidOutFieldByField) {
  PackageSettings s;
  s.title = "Aé";
  s.destination_base = 1;
  s.default_folder = "";
  s.program = "p";
  s.start_menu = 0x03;
  s.desktop = 0x02;
  s.send_to = 0x00;
  s.run_after = "";
  s.shortcut_name = "ル";
  std::vector<uint8_t> expected = {1, 2, 'A', 0, 0xE9, 0, 1, 0, 1, 'p', 0, 0x03, 0x02, 0x00, 0, 1, 0xEB, 0x30};
  EXPECT_EQ(settings_block(s), expected);
  PackageSettings none;
  none.has_settings = false;
  EXPECT_EQ(settings_block(none), std::vector<uint8_t>({0}));
}

TEST(SettingsBlock, TextsAreLimitedTo255Units) {
  PackageSettings s;
  s.title = std::string(255, 'x');
  EXPECT_EQ(settings_block(s)[1], 255);
  s.shortcut_name = std::string(256, 'x');
  EXPECT_THROW(settings_block(s), PackageError);
  s.shortcut_name = "";
  // 200 characters of three UTF-8 bytes each are 200 units: allowed.
  std::string japanese;
  for (int i = 0; i < 200; ++i) japanese += "ア";
  s.program = japanese;
  EXPECT_EQ(settings_block(s).size(), 1 + 1 + 510 + 1 + 1 + 1 + 400 + 3 + 1 + 1u);
}

TEST(AssemblePackage, ASmallStubIsPaddedToTheOffset) {
  std::vector<uint8_t> package = assemble_package(std::vector<uint8_t>(1000, 0x90), PackageSettings{}, {'M', 'S', 'C', 'F'});
  ASSERT_EQ(package.size(), PACKAGE_OFFSET + settings_block(PackageSettings{}).size() + 4);
  EXPECT_EQ(package[999], 0x90);
  EXPECT_EQ(package[1000], 0);
  EXPECT_EQ(package[PACKAGE_OFFSET], 1);
  EXPECT_EQ(package_offset_of(package), PACKAGE_OFFSET);
}

TEST(AssemblePackage, ALargerStubGetsItsConstantPatched) {
  std::vector<uint8_t> package = assemble_package(stub_with_constant(60001), PackageSettings{}, {'M', 'S', 'C', 'F'});
  uint32_t offset = package_offset_of(package);
  EXPECT_EQ(offset, 60416u);  // the next multiple of 512
  EXPECT_EQ(package[offset], 1);
  EXPECT_EQ(package.back(), 'F');
  EXPECT_EQ(package[60000], 0x90);
  EXPECT_EQ(package[60001], 0);
}

TEST(AssemblePackage, ALargerStubWithoutAUsableConstantIsRefused) {
  EXPECT_THROW(assemble_package(std::vector<uint8_t>(PACKAGE_OFFSET + 1, 0), PackageSettings{}, {}), PackageError);
  EXPECT_THROW(assemble_package(stub_with_constant(60000, 12345), PackageSettings{}, {}), PackageError);
  std::vector<uint8_t> twice = stub_with_constant(60000);
  std::copy(PACKAGE_OFFSET_MARKER, PACKAGE_OFFSET_MARKER + sizeof PACKAGE_OFFSET_MARKER, twice.begin() + 9000);
  EXPECT_THROW(assemble_package(twice, PackageSettings{}, {}), PackageError);
}

TEST(Methods, NamesWindowSizesAndEffort) {
  using cabwriter::Effort;
  const std::vector<std::tuple<const char*, uint16_t, Effort>> good = {
      {"none", METHOD_NONE, Effort::Normal},   {"mszip", METHOD_MSZIP, Effort::Normal},
      {"lzx:21", 0x1503, Effort::Normal},      {"lzx:15", 0x0F03, Effort::Normal},
      {"lzx:21:max", 0x1503, Effort::Max},     {"quantum:10", 0x0A02, Effort::Normal}};
  for (const auto& [name, type, effort] : good) {
    EXPECT_EQ(parse_method(name).type_compress, type) << name;
    EXPECT_EQ(parse_method(name).effort, effort) << name;
  }
  for (const char* bad : {"lzx:14", "lzx:22", "lzx:", "lzx:1x", "lzx:21:", "lzx:21:fast", "lzx::max",
                          "mszip:max", "quantum:21:max", "quantum:9", "quantum:22", "zip", ""})
    EXPECT_THROW(parse_method(bad), PackageError) << bad;
}

// The package written from disk in pieces is the one assembled whole in memory; a failure of the
// output or of the spool leaves the earlier package as it was, and no temporary file.
TEST(WritePackage, StreamsTheWholeImagePackageOrLeavesTheEarlierOne) {
  testsupport::TempDir dir;
  std::vector<uint8_t> big = testsupport::pattern_bytes(300000, 1), small = testsupport::pattern_bytes(40000, 2);
  testsupport::write_file(dir / "big.txt", big);
  testsupport::write_file(dir / "small.txt", small);
  PackageSettings settings;
  settings.title = "T";
  std::vector<uint8_t> stub = stub_with_constant(300000);  // larger than the writer gathers: a write of its own
  cabwriter::DiskFolder listed = folder_of_files({dir / "big.txt", dir / "small.txt"}, {METHOD_MSZIP});
  cabwriter::SourceFolder folder;
  for (const cabwriter::DiskFile& file : listed.files) {
    folder.files.push_back(testsupport::source_file(file.name, testsupport::read_file(file.path)));
    folder.files.back().date = file.date;
    folder.files.back().time = file.time;
  }
  write_package(dir / "setup", package_head(stub, settings), listed);
  EXPECT_TRUE(testsupport::read_file(dir / "setup") ==
              assemble_package(stub, settings, cabwriter::serialize(cabwriter::build_cabinet({folder}))));

  struct Fault {
    const char* what;
    bool at_spool;
    testsupport::WriteFaults faults;  // armed when the case runs: one set at a time
    std::string message;
  };
  const std::vector<uint8_t> earlier = testsupport::read_file(dir / "setup");
  const std::vector<Fault> faults = {
      {"full disk at the output", false, {.fail_at = 2, .error = ENOSPC},
       "cannot write " + dir / "setup" + ": No space left on device"},
      {"I/O error at the output", false, {.fail_at = 1, .error = EIO},
       "cannot write " + dir / "setup" + ": Input/output error"},
      {"full disk at the spool", true, {.fail_at = 5, .error = ENOSPC},
       "cannot write the spool file in " + dir.path() + ": No space left on device"},
  };
  for (const Fault& fault : faults) {
    PackageIo io;
    if (fault.at_spool) io.spool = testsupport::faulty_output_syscalls(fault.faults).write;
    else io.output = testsupport::faulty_output_syscalls(fault.faults);
    try {
      write_package(dir / "setup", package_head(stub, settings), listed, io);
      ADD_FAILURE() << fault.what << ": no error";
    } catch (const PackageError& e) {
      EXPECT_EQ(e.what(), fault.message) << fault.what;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), fault.message) << fault.what;
    }
    EXPECT_TRUE(testsupport::read_file(dir / "setup") == earlier) << fault.what;
    EXPECT_EQ(testsupport::temporary_files(testsupport::snapshot_tree(dir.path())), std::vector<std::string>{})
        << fault.what;
  }
}

}  // namespace
