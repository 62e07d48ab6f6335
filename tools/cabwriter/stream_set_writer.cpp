#include "stream_set_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace cabwriter {

namespace {

std::runtime_error read_failure(const DiskFile& file, const std::string& why) {
  return std::runtime_error("cannot read " + file.path + ": " + why);
}

// The file's bytes in pieces of `buffer`'s size; exactly file.size of them, or an error.
void read_in_pieces(const DiskFile& file, std::vector<uint8_t>& buffer, const ByteSink& sink,
                    const std::function<void(size_t)>& on_read) {
  // Opened without waiting (a FIFO put in place of a file would hold us), then checked.
  int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw read_failure(file, std::strerror(errno));
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw read_failure(file, "not a regular file");
  }
  uint64_t done = 0;
  for (;;) {
    // One byte more than is left, so that a file that grew shows it without being read on.
    size_t want = size_t(std::min<uint64_t>(buffer.size(), file.size - done + 1));
    ssize_t n = ::read(fd, buffer.data(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw read_failure(file, std::strerror(error));
    }
    if (n == 0 || done + uint64_t(n) > file.size) {
      ::close(fd);
      if (n == 0 && done == file.size) return;
      throw read_failure(file, n == 0 ? "it shrank to " + std::to_string(done) + " bytes while being read"
                                      : "it grew past " + std::to_string(file.size) + " bytes while being read");
    }
    done += uint64_t(n);
    sink(std::span<const uint8_t>(buffer.data(), size_t(n)));
    if (on_read) on_read(size_t(n));
  }
}

}  // namespace

class StreamedSet::Origin final : public FolderOrigin {
 public:
  Origin(DiskFolder folder, std::vector<uint8_t>& buffer, std::function<void(size_t)> on_read)
      : folder_(std::move(folder)), buffer_(buffer), on_read_(on_read) {
    for (const DiskFile& f : folder_.files) records_.push_back(FileRecord{f.name, f.size, f.date, f.time, f.attributes});
  }
  uint16_t type_compress() const override { return folder_.type_compress; }
  const std::vector<FileRecord>& files() const override { return records_; }
  std::unique_ptr<StreamEncoder> encoder() const override { return make_stream_encoder(folder_.type_compress, folder_.effort); }
  void read(size_t first, size_t last, const ByteSink& sink) const override {
    for (size_t i = first; i < last; ++i) read_in_pieces(folder_.files[i], buffer_, sink, on_read_);
  }

 private:
  DiskFolder folder_;
  std::vector<uint8_t>& buffer_;
  std::function<void(size_t)> on_read_;
  std::vector<FileRecord> records_;
};

StreamedSet::StreamedSet(std::vector<DiskFolder> folders, const SetOptions& options, const StreamOptions& stream) {
  buffer_.resize(std::max<size_t>(stream.read_piece, 1));
  std::vector<const FolderOrigin*> pointers;
  for (DiskFolder& folder : folders) {
    origins_.push_back(std::make_unique<Origin>(std::move(folder), buffer_, stream.on_read));
    pointers.push_back(origins_.back().get());
  }
  spool_ = std::make_unique<SpoolFile>(stream.spool_folder, stream.spool_write);
  plan_ = plan_set(pointers, options, *spool_);
  members_ = member_records(plan_, options);
  buffer_ = {};  // only planning reads the inputs
}

StreamedSet::~StreamedSet() = default;

uint64_t StreamedSet::cabinet_size(size_t member) const {
  uint64_t size = directory_size(members_[member]);
  for (const PlannedDataBlock& block : member_data_blocks(plan_, member))
    size += data_block_size(members_[member], block.size);
  return size;
}

void StreamedSet::write(size_t member, const ByteSink& out) const {
  const CabinetImage& records = members_[member];
  std::vector<PlannedDataBlock> blocks = member_data_blocks(plan_, member);
  // The blocks come folder by folder, in the order of the folder records.
  std::vector<FolderData> folder_data(records.folders.size());
  uint32_t at = directory_size(records);
  size_t next = 0;
  for (size_t slot = 0; slot < folder_data.size(); ++slot) {
    folder_data[slot].first_block = at;
    for (; next < blocks.size() && blocks[next].folder_slot == slot; ++next) {
      ++folder_data[slot].block_count;
      at += data_block_size(records, blocks[next].size);
    }
  }
  assert(next == blocks.size());
  out(serialize_directory(records, folder_data, uint32_t(cabinet_size(member))));
  std::vector<uint8_t> data, record;
  for (const PlannedDataBlock& block : blocks) {
    data.resize(block.size);
    spool_->read(block.at, data);
    record.clear();
    append_data_block(record, records, data, block.cb_uncomp);
    out(record);
  }
}

}  // namespace cabwriter
