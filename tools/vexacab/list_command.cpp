// vexacab list: the file directory of one cabinet.
#include <cstdio>

#include "cabinet_records.h"
#include "commands.h"
#include "common/text/printable_name.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/entry_name.h"

namespace vexacab {

namespace {

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

std::string folder_column(uint16_t f) {
  return f == 0xFFFD ? "prev" : f == 0xFFFE ? "next" : f == 0xFFFF ? "both" : std::to_string(f);
}

void print_file(const CabinetRecords& records, const FileRecord& file, bool long_format) {
  DosDateTime t = split_dos_date_time(file.date, file.time);
  const FolderRecord* folder = folder_of(records, file);
  std::string method = folder ? method_name(folder->type_compress) : "?";
  std::printf("%10u  %04d-%02d-%02d %02d:%02d:%02d  %s  %-6s %-10s ", file.size, t.year, t.month,
              t.day, t.hour, t.minute, t.second, attribute_letters(file.attributes).c_str(),
              folder_column(file.folder_index).c_str(), method.c_str());
  if (long_format) std::printf("%10u  ", file.folder_offset);
  std::printf("%s\n", printable_name(utf16_to_utf8(decode_entry_name(file.name.c_str(), file.attributes))).c_str());
}

}  // namespace

int list_cabinet(const std::string& cabinet, bool long_format) {
  if (refuse_unreadable(cabinet)) return 1;
  CabinetRecords records;
  std::string why;
  if (!read_cabinet_records(cabinet, &records, &why)) {
    report("CorruptData", cabinet + ": " + why);
    return 1;
  }
  std::printf("%10s  %-19s  %-6s  %-6s %-10s ", "size", "date       time", "attrs", "folder", "method");
  if (long_format) std::printf("%10s  ", "offset");
  std::printf("name\n");
  uint64_t bytes = 0;
  for (const FileRecord& file : records.files) {
    print_file(records, file, long_format);
    bytes += file.size;
  }
  std::printf("%zu files, %llu bytes\n", records.files.size(), (unsigned long long)bytes);
  return 0;
}

}  // namespace vexacab
