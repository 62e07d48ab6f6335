// A cabinet as its records: every field the format stores, so that callers (the packager, the
// tests) can build ordinary cabinets and, by changing a field, damaged ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cabwriter {

struct DataBlockImage {
  std::vector<uint8_t> data;  // cbData bytes
  uint16_t cb_uncomp = 0;     // 0 marks the first piece of a split block
  std::vector<uint8_t> reserve;
  std::optional<uint32_t> csum;  // set to store this value instead of the computed checksum
};

struct FolderImage {
  uint16_t type_compress = 0;
  std::vector<uint8_t> reserve;
  std::vector<DataBlockImage> blocks;
};

struct FileImage {
  uint32_t size = 0;
  uint32_t folder_offset = 0;
  uint16_t folder_index = 0;
  uint16_t date = 0;
  uint16_t time = 0;
  uint16_t attributes = 0;
  std::string name;  // stored bytes, NUL added on writing
};

struct CabinetImage {
  std::string file_name;  // where write_set puts it
  uint32_t signature = 0x4643534D;
  uint8_t version_minor = 3;
  uint8_t version_major = 1;
  uint16_t extra_flags = 0;  // or-ed into the header's flags
  uint16_t set_id = 0;
  uint16_t cabinet_index = 0;
  bool reserve_present = false;
  std::vector<uint8_t> header_reserve;
  uint8_t folder_reserve_size = 0;
  uint8_t data_reserve_size = 0;
  bool has_previous = false;
  bool has_next = false;
  std::string previous_cabinet, previous_disk, next_cabinet, next_disk;
  bool checksums = true;
  std::vector<FolderImage> folders;
  std::vector<FileImage> files;
};

// Bytes of the cabinet before its data blocks, and in all.
uint32_t directory_size(const CabinetImage& cabinet);
uint32_t data_block_size(const CabinetImage& cabinet, const DataBlockImage& block);

std::vector<uint8_t> serialize(const CabinetImage& cabinet);

// Offsets inside serialize()'s output, for tests that damage single bytes.
struct CabinetLayout {
  uint32_t first_folder = 0;
  uint32_t first_file = 0;
  std::vector<uint32_t> folder_data;  // coffCabStart of each folder
};
CabinetLayout layout_of(const CabinetImage& cabinet);

}  // namespace cabwriter
