#include "fuzz_entry.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "builders.h"
#include "installer/cabinet/codec.h"
#include "installer/platform/output_writer.h"
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

// The second pass writes real files through the output writer, as the installer and vexacab
// do: the engine's writes and its close of an unfinished file go to the writer.
platform::OutputWriter* writer = nullptr;

uint32_t writer_write(int handle, const void* buffer, uint32_t count) {
  if (!writer->owns(handle)) return memfs::write(handle, buffer, count);
  return writer->write(handle, buffer, count) ? count : uint32_t(-1);
}

int writer_close(int handle) {
  if (!writer->owns(handle)) return memfs::close(handle);
  writer->discard(handle);
  return 0;
}

int32_t notify_to_disk(CabNotifyKind kind, CabNotification* n) {
  switch (kind) {
    case FileBegin:
      return writer->begin(n->attributes & 1 ? "out" : "sub/out");
    case FileEnd:
      return writer->commit(n->file_handle, {true, int64_t(n->date) << 16 | n->time, (n->attributes & 1) != 0})
                 ? 1 : 0;
    case CabinetNeeded:
      return -1;
    default:
      return 0;
  }
}

const std::string& output_folder() {
  static const std::string folder = [] {
    std::string path = (access("/dev/shm", W_OK) == 0 ? "/dev/shm/vexa-fuzz-" : "/tmp/vexa-fuzz-") +
                       std::to_string(getpid());
    platform::OutputWriter make;
    make.open_destination(path, true);
    return path;
  }();
  // Registered once the name exists, so that it runs before the name is destroyed.
  static const bool removed_at_exit = std::atexit([] { std::filesystem::remove_all(output_folder()); }) == 0;
  (void)removed_at_exit;
  return folder;
}

// A temporary file left behind by any path through the engine is a fault.
bool temporary_file_left(const std::string& folder) {
  bool found = false;
  for (const std::string& at : {folder, folder + "/sub"}) {
    DIR* dir = opendir(at.c_str());
    if (!dir) continue;
    while (dirent* entry = readdir(dir)) found |= std::string(entry->d_name).starts_with(".vexa-");
    closedir(dir);
  }
  return found;
}

void extract_to_disk(const uint8_t* data, size_t size) {
  memfs::put("f.cab", std::vector<uint8_t>(data, data + size));
  platform::OutputWriter output({.replace_read_only = true});
  if (!output.open_destination(output_folder(), false)) return;
  writer = &output;
  CabErrorRecord error{};
  CabEngine* engine = cab_create(memfs::alloc, memfs::free, memfs::open, memfs::read, writer_write,
                                 writer_close, memfs::seek, 0, &error);
  cab_extract(engine, "f.cab", "", 0, notify_to_disk, nullptr, nullptr);
  cab_destroy(engine);
  writer = nullptr;
}

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
  extract_to_disk(data, size);
  if (memfs::open_handles() != 0 || temporary_file_left(output_folder())) __builtin_trap();
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
