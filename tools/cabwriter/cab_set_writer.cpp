#include "cab_set_writer.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "set_planner.h"

namespace cabwriter {

namespace {

// Files held in memory, encoded whole by the folder's FolderEncoder.
class MemoryOrigin final : public FolderOrigin {
 public:
  explicit MemoryOrigin(const SourceFolder& source) : source_(source) {
    for (const SourceFile& f : source.files)
      records_.push_back(FileRecord{f.name, uint32_t(f.data.size()), f.date, f.time, f.attributes});
  }
  uint16_t type_compress() const override { return source_.type_compress; }
  const std::vector<FileRecord>& files() const override { return records_; }
  std::unique_ptr<StreamEncoder> encoder() const override {
    return whole_stream_adapter(source_.encoder ? source_.encoder
                                                : default_encoder(source_.type_compress, source_.effort));
  }
  void read(size_t first, size_t last, const ByteSink& sink) const override {
    for (size_t i = first; i < last; ++i) sink(source_.files[i].data);
  }

 private:
  const SourceFolder& source_;
  std::vector<FileRecord> records_;
};

class MemoryStore final : public BlockStore {
 public:
  uint64_t size() const override { return bytes_.size(); }
  void append(std::span<const uint8_t> bytes) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  void truncate(uint64_t size) override { bytes_.resize(size_t(size)); }
  void read(uint64_t at, std::span<uint8_t> out) const override {
    std::copy_n(bytes_.begin() + long(at), out.size(), out.begin());
  }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace

std::vector<CabinetImage> build_set(const std::vector<SourceFolder>& sources, const SetOptions& options) {
  std::vector<std::unique_ptr<MemoryOrigin>> origins;
  std::vector<const FolderOrigin*> pointers;
  for (const SourceFolder& source : sources) {
    origins.push_back(std::make_unique<MemoryOrigin>(source));
    pointers.push_back(origins.back().get());
  }
  MemoryStore store;
  SetPlan plan = plan_set(pointers, options, store);
  std::vector<CabinetImage> images = member_records(plan, options);
  for (size_t c = 0; c < images.size(); ++c) {
    for (const PlannedDataBlock& planned : member_data_blocks(plan, c)) {
      DataBlockImage block;
      block.data.resize(planned.size);
      store.read(planned.at, block.data);
      block.cb_uncomp = planned.cb_uncomp;
      images[c].folders[planned.folder_slot].blocks.push_back(std::move(block));
    }
  }
  return images;
}

CabinetImage build_cabinet(const std::vector<SourceFolder>& folders, const SetOptions& options) {
  SetOptions single = options;
  single.max_cabinet_size = 0;
  return build_set(folders, single).front();
}

void write_set(const std::vector<CabinetImage>& set, const std::string& directory) {
  for (const CabinetImage& cabinet : set) {
    std::vector<uint8_t> bytes = serialize(cabinet);
    std::string path = directory + "/" + cabinet.file_name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
  }
}

}  // namespace cabwriter
