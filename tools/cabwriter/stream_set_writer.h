// Cabinets and sets written from files on disk in bounded memory.
//
// Each folder's files are read in pieces and fed to the method's StreamEncoder; the finished
// blocks wait in a spool file (spool_file.h) while the set is laid out by the same rules, and
// in the same bytes, as build_set() (cab_set_writer.h). A member is then written as its
// records followed by its data blocks copied from the spool, through whatever sink the caller
// gives (a file that only takes its name once complete). Memory held: one read piece, the
// encoder's window and blocks, and a few dozen bytes per block and per file of the set.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cab_image.h"
#include "cab_set_writer.h"
#include "set_planner.h"
#include "spool_file.h"

namespace cabwriter {

struct DiskFile {
  std::string path;  // where to read it
  std::string name;  // stored bytes
  uint32_t size = 0;  // as listed: reading must find exactly this many bytes
  uint16_t date = DEFAULT_DOS_DATE;
  uint16_t time = DEFAULT_DOS_TIME;
  uint16_t attributes = 0x20;
};

struct DiskFolder {
  uint16_t type_compress = 1;
  Effort effort = Effort::Normal;
  std::vector<DiskFile> files;
};

struct StreamOptions {
  std::string spool_folder = ".";  // best on the output's file system: no memory, no copy across
  size_t read_piece = size_t(1) << 20;
  std::function<void(size_t bytes)> on_read;  // after every piece read (a progress line)
  SpoolWrite spool_write = nullptr;           // null: write(2)
};

class StreamedSet {
 public:
  // Reads, encodes and lays out the set. Throws std::invalid_argument when a folder is too
  // large or the size limit cannot be met (as build_set), std::runtime_error naming the file
  // and the system's reason when an input cannot be read or holds other than its listed size
  // (it changed while being read), or when the spool cannot be made or written.
  StreamedSet(std::vector<DiskFolder> folders, const SetOptions& options, const StreamOptions& stream = {});
  ~StreamedSet();
  StreamedSet(const StreamedSet&) = delete;
  StreamedSet& operator=(const StreamedSet&) = delete;

  size_t size() const { return members_.size(); }
  // A member's records without data blocks. Its file name and the names of its neighbours may
  // be changed before it is written (sizes follow); nothing else may.
  CabinetImage& records(size_t member) { return members_[member]; }
  const CabinetImage& records(size_t member) const { return members_[member]; }
  // The bytes write() gives for the member.
  uint64_t cabinet_size(size_t member) const;
  // Hands the member's bytes to `out` in order, in pieces of at most one data block. Throws
  // std::runtime_error when the spool cannot be read, and whatever `out` throws.
  void write(size_t member, const ByteSink& out) const;

 private:
  class Origin;
  std::vector<uint8_t> buffer_;  // the read piece, while planning
  std::vector<std::unique_ptr<Origin>> origins_;
  std::unique_ptr<SpoolFile> spool_;
  SetPlan plan_;
  std::vector<CabinetImage> members_;
};

}  // namespace cabwriter
