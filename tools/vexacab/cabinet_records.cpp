#include "cabinet_records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "installer/cabinet/codec.h"

namespace vexacab {

namespace {

constexpr uint16_t FLAG_PREVIOUS = 0x0001;
constexpr uint16_t FLAG_NEXT = 0x0002;
constexpr uint16_t FLAG_RESERVE = 0x0004;
constexpr size_t MAX_NAME = 255;

// Reads at absolute offsets; every read is exact or fails.
class RecordFile {
 public:
  explicit RecordFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  bool is_open() const { return fd_ >= 0; }

  uint64_t size() const {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
  }

  bool read(uint64_t at, void* out, size_t count) {
    auto* bytes = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::pread(fd_, bytes + done, count - done, off_t(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += size_t(n);
    }
    return true;
  }

  // A NUL-terminated name of at most 255 bytes at `*at`; moves `*at` past its NUL.
  bool read_name(uint64_t* at, std::string* name) {
    uint8_t buffer[MAX_NAME + 1];
    ssize_t n = ::pread(fd_, buffer, sizeof buffer, off_t(*at));
    if (n <= 0) return false;
    const void* nul = std::memchr(buffer, 0, size_t(n));
    if (!nul) return false;
    size_t length = size_t(static_cast<const uint8_t*>(nul) - buffer);
    name->assign(reinterpret_cast<const char*>(buffer), length);
    *at += length + 1;
    return true;
  }

 private:
  int fd_;
};

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool read_header(RecordFile& file, CabinetRecords* r, uint64_t* at, std::string* why) {
  uint8_t h[36];
  if (!file.read(0, h, sizeof h) || u32(h) != 0x4643534D) {
    *why = "not a cabinet";
    return false;
  }
  r->cabinet_size = u32(h + 8);
  r->files_offset = u32(h + 16);
  r->version_minor = h[24];
  r->version_major = h[25];
  r->folder_count = u16(h + 26);
  r->file_count = u16(h + 28);
  r->flags = u16(h + 30);
  r->set_id = u16(h + 32);
  r->cabinet_index = u16(h + 34);
  *at = 36;
  if (r->flags & FLAG_RESERVE) {
    uint8_t sizes[4];
    if (!file.read(36, sizes, 4)) {
      *why = "the reserve sizes are cut off";
      return false;
    }
    r->header_reserve = u16(sizes);
    r->folder_reserve = sizes[2];
    r->data_reserve = sizes[3];
    *at += 4 + r->header_reserve;
  }
  bool names_ok = true;
  if (r->flags & FLAG_PREVIOUS)
    names_ok = file.read_name(at, &r->previous_cabinet) && file.read_name(at, &r->previous_disk);
  if (names_ok && (r->flags & FLAG_NEXT))
    names_ok = file.read_name(at, &r->next_cabinet) && file.read_name(at, &r->next_disk);
  if (!names_ok) *why = "a set name is cut off or longer than 255 bytes";
  return names_ok;
}

// Adds up the block headers of one folder, stopping at the first whose header cannot be read
// or whose data runs past the end of the file.
void walk_blocks(RecordFile& file, uint8_t data_reserve, FolderRecord* folder) {
  const uint64_t end = file.size();
  uint64_t at = folder->data_offset;
  for (uint16_t i = 0; i < folder->block_count; ++i) {
    uint8_t h[8];
    if (!file.read(at, h, sizeof h)) return;
    uint16_t stored = u16(h + 4), uncompressed = u16(h + 6);
    if (at + 8 + data_reserve + stored > end) return;
    folder->compressed += stored;
    folder->uncompressed += uncompressed;
    if (uncompressed == 0) ++folder->split_blocks;
    ++folder->blocks_found;
    at += 8 + data_reserve + stored;
  }
}

bool read_files(RecordFile& file, CabinetRecords* r, std::string* why) {
  uint64_t at = r->files_offset;
  for (uint16_t i = 0; i < r->file_count; ++i) {
    uint8_t f[16];
    FileRecord record;
    at += 16;
    if (!file.read(at - 16, f, sizeof f) || !file.read_name(&at, &record.name)) {
      *why = "file record " + std::to_string(i) + " is cut off or its name is longer than 255 bytes";
      return false;
    }
    record.size = u32(f);
    record.folder_offset = u32(f + 4);
    record.folder_index = u16(f + 8);
    record.date = u16(f + 10);
    record.time = u16(f + 12);
    record.attributes = u16(f + 14);
    r->files.push_back(std::move(record));
  }
  return true;
}

}  // namespace

bool read_cabinet_records(const std::string& path, CabinetRecords* r, std::string* why) {
  RecordFile file(path);
  if (!file.is_open()) {
    *why = std::strerror(errno);
    return false;
  }
  uint64_t at = 0;
  if (!read_header(file, r, &at, why)) return false;
  const size_t record_size = 8 + r->folder_reserve;
  for (uint16_t i = 0; i < r->folder_count; ++i, at += record_size) {
    uint8_t f[8];
    if (!file.read(at, f, sizeof f)) {
      *why = "folder record " + std::to_string(i) + " is cut off";
      return false;
    }
    FolderRecord folder;
    folder.data_offset = u32(f);
    folder.block_count = u16(f + 4);
    folder.type_compress = u16(f + 6);
    walk_blocks(file, r->data_reserve, &folder);
    r->folders.push_back(folder);
  }
  return read_files(file, r, why);
}

const FolderRecord* folder_of(const CabinetRecords& records, const FileRecord& file) {
  if (records.folders.empty()) return nullptr;
  if (file.folder_index == 0xFFFD) return &records.folders.front();
  if (file.folder_index >= 0xFFFE) return &records.folders.back();
  return file.folder_index < records.folders.size() ? &records.folders[file.folder_index] : nullptr;
}

std::string method_name(uint16_t type) {
  switch (method_of(type)) {
    case METHOD_NONE: return "none";
    case METHOD_MSZIP: return "MSZIP";
    case METHOD_QUANTUM: return "Quantum:" + std::to_string(window_bits_of(type));
    case METHOD_LZX: return "LZX:" + std::to_string(window_bits_of(type));
    default: return "method:" + std::to_string(method_of(type));
  }
}

}  // namespace vexacab
