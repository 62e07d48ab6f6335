// Builds cabinets and cabinet sets from files grouped into folders.
//
// A set is cut at a maximum cabinet size. A folder that runs on into the next cabinet continues
// there as its folder 0; a data block that does not fit is split (its first piece stored with
// cbUncomp 0). Files whose data lies in more than one cabinet are listed in each, marked as
// continued. A continued folder only ever carries on files that began in the earlier cabinet:
// the files after the cut start a new folder, so every later cabinet of the set can also be
// read on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cab_image.h"
#include "folder_encoder.h"

namespace cabwriter {

// A folder's stream is at most 65,535 blocks of 32 KiB (cCFData is 16 bits).
constexpr uint64_t FOLDER_BYTE_LIMIT = 65535ull * 32768;

// 2026-12-07 12:00:00 in DOS format.
constexpr uint16_t DEFAULT_DOS_DATE = uint16_t(((2026 - 1980) << 9) | (12 << 5) | 7);
constexpr uint16_t DEFAULT_DOS_TIME = uint16_t(12 << 11);

struct SourceFile {
  std::string name;  // stored bytes (UTF-8 names want attribute 0x80)
  std::vector<uint8_t> data;
  uint16_t date = DEFAULT_DOS_DATE;
  uint16_t time = DEFAULT_DOS_TIME;
  uint16_t attributes = 0x20;
};

struct SourceFolder {
  uint16_t type_compress = 1;
  Effort effort = Effort::Normal;
  FolderEncoder encoder;  // empty: default_encoder(type_compress, effort)
  std::vector<SourceFile> files;
};

struct SetOptions {
  // 0: everything in one cabinet. A block is split at most once (two pieces), so a limit
  // below about half a block's size can be impossible to meet: build_set then throws
  // std::invalid_argument rather than exceed it.
  uint32_t max_cabinet_size = 0;
  bool checksums = true;
  uint16_t set_id = 0x4B56;
  std::string cabinet_name = "disk%u.cab";  // %u becomes the 1-based position in the set
  std::string disk_name = "Disk %u";
  bool reserve_present = false;
  std::vector<uint8_t> header_reserve;
  uint8_t folder_reserve_size = 0;
  uint8_t data_reserve_size = 0;
};

std::vector<CabinetImage> build_set(const std::vector<SourceFolder>& folders,
                                    const SetOptions& options = {});

// One cabinet, no size limit.
CabinetImage build_cabinet(const std::vector<SourceFolder>& folders, const SetOptions& options = {});

// Writes each cabinet of a set as directory/file_name. Throws std::runtime_error on failure.
void write_set(const std::vector<CabinetImage>& set, const std::string& directory);

}  // namespace cabwriter
