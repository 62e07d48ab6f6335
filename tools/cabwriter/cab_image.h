// A cabinet as its records: every field the format stores, so that callers (the packager, the
// tests) can build ordinary cabinets and, by changing a field, damaged ones.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

// Bytes of the cabinet before its data blocks, and of one data block with its header.
uint32_t directory_size(const CabinetImage& cabinet);
uint32_t data_block_size(const CabinetImage& cabinet, const DataBlockImage& block);
uint32_t data_block_size(const CabinetImage& cabinet, size_t data_size);

std::vector<uint8_t> serialize(const CabinetImage& cabinet);

// The pieces of serialize() for a writer whose data blocks are not in the image.
//
// What the directory says about each folder's data: where its first block starts (coffCabStart)
// and how many blocks it has (cCFData).
struct FolderData {
  uint32_t first_block = 0;
  uint16_t block_count = 0;
};
// The header, folder and file records; the folders' `blocks` are not looked at. `folder_data`
// has one entry per folder; `cabinet_size` is cbCabinet, the whole cabinet's bytes.
std::vector<uint8_t> serialize_directory(const CabinetImage& cabinet, const std::vector<FolderData>& folder_data,
                                         uint32_t cabinet_size);
// Appends one data block record: header, reserve (`reserve` padded with zeros to the cabinet's
// data reserve size), data. The checksum is `csum` when set, else computed when the cabinet has
// checksums, else 0. `data` holds at most 65535 bytes.
void append_data_block(std::vector<uint8_t>& out, const CabinetImage& cabinet, std::span<const uint8_t> data,
                       uint16_t cb_uncomp, std::span<const uint8_t> reserve = {},
                       std::optional<uint32_t> csum = std::nullopt);

// Offsets inside serialize()'s output, for tests that damage single bytes.
struct CabinetLayout {
  uint32_t first_folder = 0;
  uint32_t first_file = 0;
  std::vector<uint32_t> folder_data;  // coffCabStart of each folder
};
CabinetLayout layout_of(const CabinetImage& cabinet);

}  // namespace cabwriter
