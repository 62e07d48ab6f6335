// vexacab info: the header fields of one cabinet and what each folder holds.
#include <cstdio>

#include "cabinet_records.h"
#include "commands.h"
#include "common/text/printable_name.h"

namespace vexacab {

namespace {

std::string flag_names(uint16_t flags) {
  std::string names;
  auto add = [&](uint16_t bit, const char* name) {
    if (!(flags & bit)) return;
    if (!names.empty()) names += ", ";
    names += name;
  };
  add(0x0001, "previous cabinet");
  add(0x0002, "next cabinet");
  add(0x0004, "reserve");
  return names.empty() ? "none" : names;
}

void print_header(const CabinetRecords& r) {
  std::printf("version        %u.%u\n", r.version_major, r.version_minor);
  std::printf("size           %u bytes\n", r.cabinet_size);
  std::printf("set ID         %u (0x%04X)\n", r.set_id, r.set_id);
  std::printf("index in set   %u\n", r.cabinet_index);
  std::printf("flags          0x%04X (%s)\n", r.flags, flag_names(r.flags).c_str());
  std::printf("reserve        header %u, folder %u, data %u bytes\n", r.header_reserve,
              r.folder_reserve, r.data_reserve);
  if (r.flags & 0x0001)
    std::printf("previous       %s on \"%s\"\n", printable_name(r.previous_cabinet).c_str(),
                printable_name(r.previous_disk).c_str());
  if (r.flags & 0x0002)
    std::printf("next           %s on \"%s\"\n", printable_name(r.next_cabinet).c_str(),
                printable_name(r.next_disk).c_str());
  std::printf("folders        %u\n", r.folder_count);
  std::printf("files          %u\n", r.file_count);
}

std::string ratio(uint64_t compressed, uint64_t uncompressed) {
  if (uncompressed == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", 100.0 * double(compressed) / double(uncompressed));
  return text;
}

void print_folders(const CabinetRecords& r) {
  std::printf("\n%6s  %-10s  %6s  %12s  %12s  %7s\n", "folder", "method", "blocks", "compressed",
              "uncompressed", "ratio");
  for (size_t i = 0; i < r.folders.size(); ++i) {
    const FolderRecord& f = r.folders[i];
    std::printf("%6zu  %-10s  %6u  %12llu  %12llu  %7s", i, method_name(f.type_compress).c_str(),
                f.block_count, (unsigned long long)f.compressed, (unsigned long long)f.uncompressed,
                ratio(f.compressed, f.uncompressed).c_str());
    if (f.split_blocks) std::printf("  last block continues in the next cabinet");
    if (f.blocks_found < f.block_count)
      std::printf("  only %u of %u blocks readable", f.blocks_found, f.block_count);
    std::printf("\n");
  }
}

}  // namespace

int show_info(const std::string& cabinet) {
  CabinetRecords records;
  std::string why;
  if (refuse_unreadable(cabinet)) return 1;
  if (!read_cabinet_records(cabinet, &records, &why)) {
    report("CorruptData", cabinet + ": " + why);
    return 1;
  }
  print_header(records);
  print_folders(records);
  for (const FolderRecord& f : records.folders)
    if (f.blocks_found < f.block_count) {
      report("CorruptData", cabinet + ": a folder's data blocks run past the end of the file");
      return 1;
    }
  return 0;
}

}  // namespace vexacab
