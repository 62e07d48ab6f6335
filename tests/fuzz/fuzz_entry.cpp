#include "fuzz_entry.h"

#include <stdexcept>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "lzx_encoder.h"
#include "memory_files.h"

namespace {

int32_t notify(CabNotifyKind kind, CabNotification* n) {
  switch (kind) {
    case FileBegin:
      return memfs::create("out");
    case FileEnd:
      memfs::close(n->file_handle);
      return 1;
    case CabinetNeeded:
      return -1;  // a one-cabinet set: there is nothing to ask for
    default:
      return 0;
  }
}

int32_t hook(ReserveHookRecord*) { return 0; }

}  // namespace

int fuzz_one_cabinet(const uint8_t* data, size_t size) {
  memfs::reset();
  memfs::put("f.cab", std::vector<uint8_t>(data, data + size));
  CabErrorRecord error{};
  CabEngine* engine = memfs::create_engine(&error);
  int handle = memfs::open("f.cab", CAB_OPEN_FLAGS, CAB_OPEN_MODE);
  CabinetSummary summary;
  cab_is_cabinet(engine, handle, &summary);
  memfs::close(handle);
  cab_extract(engine, "f.cab", "", 0, notify, (size & 1) ? hook : nullptr, nullptr);
  // A second pass over the same engine reuses its decoder and buffers.
  cab_extract(engine, "f.cab", "", 0, notify, nullptr, nullptr);
  cab_destroy(engine);
  if (memfs::open_handles() != 0) __builtin_trap();  // a handle leaked
  return 0;
}

std::vector<std::vector<uint8_t>> fuzz_seed_cabinets() {
  using namespace cabwriter;
  std::vector<std::vector<uint8_t>> seeds;
  const uint16_t types[] = {0x0000, 0x0001, 0x0A02, 0x1002, 0x1502, 0x0F03, 0x1003, 0x1503};
  for (uint16_t type : types) {
    std::vector<SourceFolder> folders = {
        testcab::folder(type, {testcab::file("a.txt", testdata::text_like(3000, type)),
                               testcab::file("b.bin", testdata::binary_like(40000, type)),
                               testcab::file("z", {})}),
        testcab::folder(type, {testcab::file("c", testdata::random_bytes(500, type))})};
    try {
      SetOptions options;
      options.reserve_present = type & 1;
      options.header_reserve.assign(type & 7, 0x5A);
      options.data_reserve_size = type & 3;
      seeds.push_back(serialize(build_cabinet(folders, options)));
    } catch (const std::invalid_argument&) {
      // No encoder for this method in this build.
    }
  }
  // Small Quantum cabinets without checksums, so that most mutations reach the coder, and two
  // folders with different windows, so that the engine changes decoder in between.
  SetOptions unchecked;
  unchecked.checksums = false;
  for (uint16_t type : {uint16_t(0x0A02), uint16_t(0x1502)}) {
    seeds.push_back(serialize(build_cabinet(
        {testcab::folder(type, {testcab::file("q.txt", testdata::text_like(700, type)),
                                testcab::file("q.bin", testdata::binary_like(300, type))})},
        unchecked)));
  }
  seeds.push_back(serialize(build_cabinet(
      {testcab::folder(0x0C02, {testcab::file("m.txt", testdata::text_like(2000, 5))}),
       testcab::folder(0x1102, {testcab::file("n.txt", testdata::text_like(2000, 5))})},
      unchecked)));
  // LZX folders steered through every block kind and layout, with call translation.
  const std::vector<std::vector<LzxBlockSpec>> plans = {
      {{LzxBlockKind::Aligned, 7001}, {LzxBlockKind::Uncompressed, 999}, {LzxBlockKind::Verbatim, 20000}},
      {{LzxBlockKind::Verbatim, 40000}, {LzxBlockKind::Uncompressed, 32767}, {LzxBlockKind::Aligned, 3}}};
  for (size_t i = 0; i < plans.size(); ++i) {
    SourceFolder lzx = testcab::folder(type_compress_of(METHOD_LZX, uint16_t(15 + i)),
                                       {testcab::file("p.exe", testdata::binary_like(60000, 7)),
                                        testcab::file("t.txt", testdata::text_like(30000, 8))});
    LzxOptions options;
    options.window_bits = 15 + uint32_t(i);
    options.blocks = plans[i];
    options.e8_translation_size = 100000;
    lzx.encoder = [options](std::span<const uint8_t> stream) { return encode_lzx(stream, options); };
    seeds.push_back(serialize(build_cabinet({lzx})));
  }
  return seeds;
}
