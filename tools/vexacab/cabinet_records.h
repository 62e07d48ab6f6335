// The records of one cabinet as vexacab shows them: header, reserve sizes, set names and, per
// folder, its method and what its data blocks add up to. The engine reads folders only while it
// extracts and tells nothing of the header's other fields, so inspection reads them here,
// bounded, from a file that may be damaged or hostile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexacab {

struct FolderRecord {
  uint32_t data_offset = 0;   // coffCabStart
  uint16_t block_count = 0;   // cCFData, this cabinet's blocks only
  uint16_t type_compress = 0;
  // Sums over the blocks actually found in the file (blocks_found may fall short of block_count
  // in a damaged cabinet). A block split across cabinets counts its cbUncomp where it ends.
  uint16_t blocks_found = 0;
  uint64_t compressed = 0;
  uint64_t uncompressed = 0;
  uint16_t split_blocks = 0;  // pieces stored with cbUncomp 0
};

struct FileRecord {
  uint32_t size = 0;
  uint32_t folder_offset = 0;  // uoffFolderStart
  uint16_t folder_index = 0;   // iFolder as stored: 0xFFFD, 0xFFFE, 0xFFFF mark continued files
  uint16_t date = 0, time = 0, attributes = 0;
  std::string name;  // stored bytes
};

struct CabinetRecords {
  uint32_t cabinet_size = 0;  // cbCabinet as stored
  uint32_t files_offset = 0;  // coffFiles
  uint8_t version_major = 0, version_minor = 0;
  uint16_t folder_count = 0, file_count = 0, flags = 0, set_id = 0, cabinet_index = 0;
  uint16_t header_reserve = 0;
  uint8_t folder_reserve = 0, data_reserve = 0;
  std::string previous_cabinet, previous_disk, next_cabinet, next_disk;
  std::vector<FolderRecord> folders;
  std::vector<FileRecord> files;
};

// Reads the header, its names, every folder and file record, and walks each folder's data block
// headers (not the data). False with `why` set when a header, name, folder or file record cannot
// be read; damaged block chains are reported through blocks_found instead.
bool read_cabinet_records(const std::string& path, CabinetRecords* records, std::string* why);

// The folder record a file's data starts in: continued files name the first or last folder.
const FolderRecord* folder_of(const CabinetRecords& records, const FileRecord& file);

// "none", "MSZIP", "LZX:21", "Quantum:10", "method:N" for a folder's typeCompress.
std::string method_name(uint16_t type_compress);

}  // namespace vexacab
