// How a set's folders are encoded and laid out into cabinets, whatever holds the files' bytes
// and the encoded blocks: the writer of in-memory images and the streaming writer share it, so
// that both cut a set the same way (see cab_set_writer.h for the rules of the cut).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cab_image.h"
#include "cab_set_writer.h"
#include "stream_encoder.h"

namespace cabwriter {

// A file as the directory records it.
struct FileRecord {
  std::string name;
  uint32_t size = 0;
  uint16_t date = DEFAULT_DOS_DATE;
  uint16_t time = DEFAULT_DOS_TIME;
  uint16_t attributes = 0x20;
};

using ByteSink = std::function<void(std::span<const uint8_t>)>;

// Where a folder's files come from.
class FolderOrigin {
 public:
  virtual ~FolderOrigin() = default;
  virtual uint16_t type_compress() const = 0;
  virtual const std::vector<FileRecord>& files() const = 0;
  // A new encoder for a stream of this folder (a folder cut in two is encoded again).
  virtual std::unique_ptr<StreamEncoder> encoder() const = 0;
  // Hands the bytes of files [first, last) to `sink` in order, in pieces of any size. Throws
  // std::runtime_error when a file cannot be read or does not hold its recorded size.
  virtual void read(size_t first, size_t last, const ByteSink& sink) const = 0;
};

// Where encoded blocks wait until the cabinets are written: a growing run of bytes.
class BlockStore {
 public:
  virtual ~BlockStore() = default;
  virtual uint64_t size() const = 0;
  virtual void append(std::span<const uint8_t> bytes) = 0;
  // Forgets everything from `size` on (a folder about to be encoded again).
  virtual void truncate(uint64_t size) = 0;
  // Fills `out` from offset `at`; the range lies within size().
  virtual void read(uint64_t at, std::span<uint8_t> out) const = 0;
};

struct StoredBlock {
  uint64_t at = 0;  // in the store
  uint32_t size = 0;
  uint16_t uncompressed_size = 0;
};

// Files [first, last) of an origin as one folder, and once encoded, its blocks and for each
// block the files whose bytes (or whose place, for empty files) it holds.
struct PlannedFolder {
  const FolderOrigin* origin = nullptr;
  size_t first = 0, last = 0;
  bool encoded = false;
  uint64_t store_start = 0;
  std::vector<uint32_t> offsets;  // of each file in the folder's stream
  uint32_t total = 0;
  std::vector<StoredBlock> blocks;
  std::vector<uint32_t> block_start;
  std::vector<std::vector<size_t>> block_files;
  size_t leading_empty = 0;  // files before this index are empty and precede all data

  size_t file_count() const { return last - first; }
  const FileRecord& file(size_t i) const { return origin->files()[first + i]; }
};

// Compressed bytes [from, to) of a block; a split block's first piece has split_first.
struct Piece {
  size_t block;
  size_t from, to;
  bool split_first;
};

struct PlacedFolder {
  size_t folder;
  std::vector<Piece> pieces;
};

struct CabPlan {
  std::vector<PlacedFolder> folders;
  uint32_t size = 0;
  bool has_data = false;
};

struct SetPlan {
  std::vector<PlannedFolder> folders;
  std::vector<CabPlan> cabs;
};

// Encodes the folders into `store` and lays them out. The origins must outlive the plan.
// Throws std::invalid_argument when a folder is too large or the size limit cannot be met,
// and whatever the origins and the store throw.
SetPlan plan_set(const std::vector<const FolderOrigin*>& origins, const SetOptions& options, BlockStore& store);

// The records of each cabinet of the plan: header, folders (without data blocks) and files.
std::vector<CabinetImage> member_records(const SetPlan& plan, const SetOptions& options);

// One data block of a cabinet: its bytes in the store and its cbUncomp.
struct PlannedDataBlock {
  size_t folder_slot;  // the folder within the cabinet
  uint64_t at;
  uint32_t size;
  uint16_t cb_uncomp;
};
std::vector<PlannedDataBlock> member_data_blocks(const SetPlan& plan, size_t cabinet);

}  // namespace cabwriter
