// Every failure the engine reports, provoked through cabinets the writer damages on purpose.
#include <gtest/gtest.h>

#include "builders.h"
#include "set_extractor.h"

using namespace cabwriter;
using testcab::file;
using testcab::folder;

namespace {

class EngineErrors : public ::testing::Test {
 protected:
  void SetUp() override { memfs::reset(); }

  static void expect_failure(const memfs::Extraction& result, CabError code) {
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.code, code) << cab_error_name(result.error.code);
    EXPECT_EQ(result.error.failed, 1);
    EXPECT_EQ(memfs::open_handles(), 0) << "every handle is closed after a failure";
  }
};

TEST_F(EngineErrors, HeaderProblems) {
  CabinetImage cab = build_cabinet(testcab::two_folders());
  cab.signature = 0x4643534E;
  expect_failure(memfs::extract_images({cab}), CabError::BadSignature);

  memfs::reset();
  cab = build_cabinet(testcab::two_folders());
  cab.version_minor = 2;
  auto result = memfs::extract_images({cab});
  expect_failure(result, CabError::BadVersion);
  EXPECT_EQ(result.error.detail, 0x0102);

  memfs::reset();
  std::vector<uint8_t> bytes = serialize(build_cabinet(testcab::two_folders()));
  bytes.resize(30);
  memfs::put("cut", bytes);
  expect_failure(memfs::extract_stored("cut"), CabError::BadSignature);

  memfs::reset();
  expect_failure(memfs::extract_stored("missing.cab"), CabError::OpenFailed);
}

TEST_F(EngineErrors, ChecksumsAreCheckedUnlessZero) {
  CabinetImage cab = build_cabinet(testcab::two_folders());
  cab.folders[0].blocks[0].csum = 0;  // no checksum: never checked
  auto result = memfs::extract_images({cab});
  EXPECT_TRUE(result.ok);

  memfs::reset();
  cab.folders[0].blocks[0].csum = 0x12345678;
  expect_failure(memfs::extract_images({cab}), CabError::CorruptData);

  // A changed data byte under a valid checksum field.
  memfs::reset();
  cab = build_cabinet(testcab::two_folders());
  std::vector<uint8_t> bytes = serialize(cab);
  bytes[layout_of(cab).folder_data[1] + 8 + 5] ^= 1;
  memfs::put("bad.cab", bytes);
  expect_failure(memfs::extract_stored("bad.cab"), CabError::CorruptData);
}

TEST_F(EngineErrors, NameLengthLimit) {
  std::string longest(255, 'n');
  auto ok = memfs::extract_images({build_cabinet({folder(1, {file(longest, {1, 2, 3})})})});
  ASSERT_TRUE(ok.ok) << cab_error_name(ok.error.code);
  EXPECT_EQ(ok.files.count(longest), 1u);

  memfs::reset();
  expect_failure(memfs::extract_images({build_cabinet({folder(1, {file(longest + "n", {1})})})}),
                 CabError::CorruptData);

  // An unterminated name at the end of the file.
  memfs::reset();
  CabinetImage cab = build_cabinet({folder(1, {file("abc", {})})});
  std::vector<uint8_t> bytes = serialize(cab);
  bytes.pop_back();  // the NUL of the last name
  memfs::put("cut.cab", bytes);
  expect_failure(memfs::extract_stored("cut.cab"), CabError::CorruptData);
}

TEST_F(EngineErrors, OversizeBlocks) {
  for (uint16_t method : {uint16_t(0), uint16_t(1)}) {
    memfs::reset();
    CabinetImage cab = build_cabinet({folder(method, {file("f", testdata::text_like(1000, 1))})});
    cab.folders[0].blocks[0].cb_uncomp = 32769;
    expect_failure(memfs::extract_images({cab}), CabError::DecoderFailed);
  }
  // A stored block longer than a block can be.
  memfs::reset();
  CabinetImage cab = build_cabinet({folder(0, {file("f", testdata::random_bytes(100, 1))})});
  cab.folders[0].blocks[0].data.resize(32769);
  cab.folders[0].blocks[0].cb_uncomp = 32769;
  expect_failure(memfs::extract_images({cab}), CabError::CorruptData);  // beyond the input buffer

  // A block that decodes to another length than it claims.
  memfs::reset();
  cab = build_cabinet({folder(1, {file("f", testdata::text_like(1000, 1))})});
  cab.folders[0].blocks[0].cb_uncomp = 999;
  cab.files[0].size = 999;
  expect_failure(memfs::extract_images({cab}), CabError::DecoderFailed);
}

TEST_F(EngineErrors, MethodsTheEngineDoesNotKnow) {
  for (uint16_t type : {uint16_t(0x000F), uint16_t(0x0004), uint16_t(0x000E)}) {
    memfs::reset();
    CabinetImage cab = build_cabinet({folder(0, {file("f", {1, 2, 3})})});
    cab.folders[0].type_compress = type;
    expect_failure(memfs::extract_images({cab}), CabError::UnknownMethod);
  }
}

TEST_F(EngineErrors, AbortFromEveryNotificationKind) {
  SetOptions options;
  options.max_cabinet_size = 30000;
  std::vector<SourceFolder> folders = {folder(0, {file("span", testdata::random_bytes(50000, 1))}),
                                       folder(1, {file("tail", testdata::text_like(100, 2))})};
  for (CabNotifyKind kind : {CabinetOpened, FileBegin, FileEnd, CabinetNeeded, DirectoryCursor,
                             FileContinued}) {
    memfs::reset();
    memfs::ClientPolicy policy;
    policy.override_answer = [kind](CabNotifyKind k, CabNotification& n) {
      if (k != kind) return INT32_MIN;
      if (k == FileEnd) memfs::close(n.file_handle);  // the client's duty, even when it aborts
      return -1;
    };
    auto result = memfs::extract_images(build_set(folders, options), policy);
    expect_failure(result, CabError::Aborted);
  }
  memfs::reset();
  memfs::ClientPolicy hook_abort;
  hook_abort.hook = [](ReserveHookRecord& r) { return r.kind == HookDataBlock ? -1 : 0; };
  expect_failure(memfs::extract_images(build_set(folders, options), hook_abort), CabError::Aborted);
}

TEST_F(EngineErrors, OutputFailures) {
  memfs::ClientPolicy refuse_end;
  refuse_end.override_answer = [](CabNotifyKind k, CabNotification& n) {
    if (k != FileEnd) return INT32_MIN;
    memfs::close(n.file_handle);
    return 0;
  };
  expect_failure(memfs::extract_images({build_cabinet(testcab::two_folders())}, refuse_end),
                 CabError::OutputFailed);

  memfs::reset();
  memfs::stats().fail_write_at = 2;
  expect_failure(memfs::extract_images({build_cabinet(testcab::two_folders())}), CabError::OutputFailed);
}

TEST_F(EngineErrors, EveryAllocationFailureIsNoMemory) {
  CabinetImage cab = build_cabinet(testcab::two_folders());
  memfs::reset();
  auto complete = memfs::extract_images({cab});
  ASSERT_TRUE(complete.ok);
  uint32_t allocations = memfs::stats().allocations;
  for (uint32_t n = 1; n <= allocations; ++n) {
    memfs::reset();
    memfs::stats().fail_allocation_at = n;
    auto result = memfs::extract_images({cab});
    EXPECT_FALSE(result.ok) << "allocation " << n;
    EXPECT_EQ(result.error.code, CabError::NoMemory) << "allocation " << n;
    EXPECT_EQ(memfs::stats().allocations - 1, memfs::stats().frees) << "leak after failing allocation " << n;
  }
}

TEST_F(EngineErrors, NothingIsAllocatedPerBlock) {
  auto small = std::vector<SourceFolder>{folder(1, {file("f", testdata::text_like(40000, 1))})};
  auto large = std::vector<SourceFolder>{folder(1, {file("f", testdata::text_like(400000, 1))})};
  memfs::extract_images({build_cabinet(small)});
  uint32_t few = memfs::stats().allocations;
  memfs::reset();
  memfs::extract_images({build_cabinet(large)});
  EXPECT_EQ(memfs::stats().allocations, few);
}

TEST_F(EngineErrors, DecoderIsKeptForTheSameTypeAndRenewedForAnother) {
  auto stream = testdata::text_like(1000, 1);
  std::vector<SourceFolder> same = {folder(0x0001, {file("a", stream)}), folder(0x0001, {file("b", stream)})};
  std::vector<SourceFolder> other = {folder(0x0001, {file("a", stream)}), folder(0x0101, {file("b", stream)})};
  memfs::extract_images({build_cabinet(same)});
  uint32_t shared = memfs::stats().allocations;
  memfs::reset();
  auto result = memfs::extract_images({build_cabinet(other)});
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.files["b"], stream);
  EXPECT_EQ(memfs::stats().allocations, shared + 4);  // decoder, its state and both buffers anew
}

}  // namespace

namespace {

TEST(EngineReserve, LargestHeaderReserveIsRead) {
  memfs::reset();
  SetOptions options;
  options.reserve_present = true;
  options.header_reserve.assign(0xFFFF, 0x11);  // equals the engine's own "size unknown" mark
  auto result = memfs::extract_images({build_cabinet(testcab::two_folders(), options)});
  EXPECT_TRUE(result.ok) << cab_error_name(result.error.code);
  EXPECT_EQ(result.files.size(), 3u);
}

}  // namespace
