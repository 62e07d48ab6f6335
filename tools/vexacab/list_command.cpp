// vexacab list: the file directory of one cabinet.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "commands.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/cabinet/codec.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/entry_name.h"
#include "posix_callbacks.h"

namespace vexacab {

namespace {

// The folder records' typeCompress values, for the method column. The engine reads folders
// only when it extracts, so the listing reads the records itself.
std::vector<uint16_t> read_folder_types(const std::string& cabinet) {
  std::vector<uint16_t> types;
  int fd = ::open(cabinet.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return types;
  std::vector<uint8_t> head(65536 + 36 + 4 + 4 * 256);
  ssize_t got = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (got < 36) return types;
  auto u16 = [&](size_t at) { return uint16_t(head[at] | head[at + 1] << 8); };
  size_t at = 36;
  uint16_t folders = u16(26), flags = u16(30);
  size_t folder_reserve = 0;
  if (flags & 4) {
    folder_reserve = head[38];
    at += 4 + u16(36);
  }
  int names = ((flags & 1) ? 2 : 0) + ((flags & 2) ? 2 : 0);
  for (int i = 0; i < names; ++i) {
    while (at < size_t(got) && head[at] != 0) ++at;
    ++at;
  }
  for (uint16_t i = 0; i < folders && at + 8 <= size_t(got); ++i, at += 8 + folder_reserve)
    types.push_back(u16(at + 6));
  return types;
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

std::string attribute_letters(uint16_t a) {
  std::string s;
  s += (a & 0x01) ? 'R' : '-';
  s += (a & 0x02) ? 'H' : '-';
  s += (a & 0x04) ? 'S' : '-';
  s += (a & 0x20) ? 'A' : '-';
  s += (a & 0x40) ? 'X' : '-';
  s += (a & 0x80) ? 'U' : '-';
  return s;
}

struct Listing {
  std::vector<uint16_t> types;
  uint16_t folder_count = 0;
  unsigned files = 0;
  uint64_t bytes = 0;
};

void print_file(Listing* listing, const CabNotification* n) {
  DosDateTime t = split_dos_date_time(n->date, n->time);
  uint16_t f = n->folder_index;
  std::string folder = f == 0xFFFD ? "prev" : f == 0xFFFE ? "next" : f == 0xFFFF ? "both" : std::to_string(f);
  uint32_t slot = f == 0xFFFD ? 0 : f >= 0xFFFE ? uint32_t(listing->types.size()) - 1 : f;
  std::string method = slot < listing->types.size() ? method_name(listing->types[slot]) : "?";
  std::printf("%10u  %04d-%02d-%02d %02d:%02d:%02d  %s  %-6s %-10s %s\n", uint32_t(n->size), t.year,
              t.month, t.day, t.hour, t.minute, t.second, attribute_letters(n->attributes).c_str(),
              folder.c_str(), method.c_str(),
              printable_name(utf16_to_utf8(decode_entry_name(n->text1, n->attributes))).c_str());
  ++listing->files;
  listing->bytes += uint32_t(n->size);
}

int32_t on_notify(CabNotifyKind kind, CabNotification* n) {
  auto* listing = static_cast<Listing*>(n->user_data);
  if (kind == FileBegin || kind == FileContinued) print_file(listing, n);
  return 0;  // never extract
}

}  // namespace

int list_cabinet(const std::string& cabinet) {
  if (refuse_unreadable(cabinet)) return 1;
  Listing listing;
  listing.types = read_folder_types(cabinet);
  std::string directory, name;
  split_cabinet_path(cabinet, &directory, &name);
  CabErrorRecord error{};
  CabEngine* engine = create_engine(&error);
  std::printf("%10s  %-19s  %-6s  %-6s %-10s %s\n", "size", "date       time", "attrs", "folder",
              "method", "name");
  int ok = cab_extract(engine, name.c_str(), directory.c_str(), 0, on_notify, nullptr, &listing);
  cab_destroy(engine);
  if (!ok) {
    report(cab_error_name(error.code), cabinet + ": the file directory is damaged");
    return 1;
  }
  std::printf("%u files, %llu bytes\n", listing.files, (unsigned long long)listing.bytes);
  return 0;
}

}  // namespace vexacab
