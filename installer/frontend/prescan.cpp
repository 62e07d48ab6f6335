#include "installer/frontend/prescan.h"

#include <algorithm>
#include <cstring>

#include "installer/frontend/installer_app.h"
#include "installer/platform/files.h"

namespace {

// The header and the file directory are read a field and a name byte at a time; this takes them
// from the file a block at a time (a package of a thousand files would otherwise cost tens of
// thousands of system calls before the window shows).
class DirectoryReader {
 public:
  explicit DirectoryReader(int file) : file_(file) {}

  bool read(void* into, uint32_t count) {
    auto* out = static_cast<uint8_t*>(into);
    while (count != 0) {
      if (at_ == end_ && !refill()) return false;
      const uint32_t taken = std::min(count, end_ - at_);
      std::memcpy(out, buffer_ + at_, taken);
      out += taken, at_ += taken, count -= taken;
    }
    return true;
  }

  bool skip(uint32_t count) {
    const uint32_t buffered = std::min(count, end_ - at_);
    at_ += buffered;
    return buffered == count || platform::seek_position(file_, count - buffered, 1) >= 0;
  }

  // Moves to an absolute position of the file, dropping what was read ahead.
  bool seek(int64_t position) {
    at_ = end_ = 0;
    return platform::seek_position(file_, position, 0) >= 0;
  }

 private:
  bool refill() {
    const int64_t n = platform::read_file(file_, buffer_, sizeof buffer_);
    if (n <= 0) return false;
    at_ = 0, end_ = uint32_t(n);
    return true;
  }

  int file_;
  uint8_t buffer_[4096];
  uint32_t at_ = 0, end_ = 0;
};

bool read_exact(DirectoryReader& file, void* buffer, uint32_t count) { return file.read(buffer, count); }

bool read_u8(DirectoryReader& file, uint8_t& value) { return read_exact(file, &value, 1); }

bool read_u16(DirectoryReader& file, uint16_t& value) {
  uint8_t b[2];
  if (!read_exact(file, b, 2)) return false;
  value = uint16_t(b[0] | (b[1] << 8));
  return true;
}

bool read_u32(DirectoryReader& file, uint32_t& value) {
  uint8_t b[4];
  if (!read_exact(file, b, 4)) return false;
  value = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  return true;
}

bool skip(DirectoryReader& file, uint32_t count) { return file.skip(count); }

// A NUL-terminated byte string, read byte by byte and dropped.
bool skip_name(DirectoryReader& file) {
  uint8_t c;
  do {
    if (!read_u8(file, c)) return false;
  } while (c != 0);
  return true;
}

struct HeaderCounts {
  uint16_t folders = 0;
  uint16_t files = 0;
};

bool read_header(DirectoryReader& file, HeaderCounts& counts, CabinetPlacement& placement) {
  uint32_t signature, reserved1, cabinet_size, reserved2, reserved3;
  uint8_t minor, major;
  uint16_t flags, set_id, cabinet_index;
  if (!read_u32(file, signature) || !read_u32(file, reserved1) || !read_u32(file, cabinet_size) ||
      !read_u32(file, reserved2) || !read_u32(file, placement.files_offset) || !read_u32(file, reserved3) ||
      !read_u8(file, minor) || !read_u8(file, major) || !read_u16(file, counts.folders) ||
      !read_u16(file, counts.files) || !read_u16(file, flags) || !read_u16(file, set_id) ||
      !read_u16(file, cabinet_index))
    return false;
  uint8_t folder_reserve = 0;
  if (flags & 0x0004) {
    uint16_t header_reserve;
    uint8_t data_reserve;
    if (!read_u16(file, header_reserve) || !read_u8(file, folder_reserve) ||
        !read_u8(file, data_reserve) || !skip(file, header_reserve))
      return false;
  }
  if ((flags & 0x0001) && (!skip_name(file) || !skip_name(file))) return false;
  if ((flags & 0x0002) && (!skip_name(file) || !skip_name(file))) return false;
  for (uint16_t i = 0; i < counts.folders; ++i) {
    uint32_t start;
    uint16_t blocks, type;
    if (!read_u32(file, start) || !read_u16(file, blocks) || !read_u16(file, type) ||
        !skip(file, folder_reserve))
      return false;
    placement.folder_starts.push_back(start);
  }
  return true;
}

}  // namespace

uint64_t prescan_cabinet(int handle, CabinetPlacement& placement) {
  DirectoryReader file(handle);
  HeaderCounts counts;
  if (!read_header(file, counts, placement)) return 0;
  if (!file.seek(int64_t(placement.cabinet_offset) + placement.files_offset)) return 0;
  uint64_t total = 0;
  for (uint16_t i = 0; i < counts.files; ++i) {
    uint32_t size, folder_start;
    uint16_t folder, date, time, attributes;
    if (!read_u32(file, size) || !read_u32(file, folder_start) || !read_u16(file, folder) ||
        !read_u16(file, date) || !read_u16(file, time) || !read_u16(file, attributes) ||
        !skip_name(file))
      break;
    total += size;
  }
  return total;
}
