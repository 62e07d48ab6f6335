#include "cab_set_writer.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>

namespace cabwriter {

namespace {

constexpr uint16_t CONTINUED_FROM_PREV = 0xFFFD;
constexpr uint16_t CONTINUED_TO_NEXT = 0xFFFE;
constexpr uint16_t CONTINUED_BOTH = 0xFFFF;

// A folder with its stream encoded, and for each block the files whose bytes it holds.
struct PlannedFolder {
  uint16_t type_compress = 0;
  FolderEncoder encoder;
  std::vector<SourceFile> files;
  std::vector<uint32_t> offsets;
  uint32_t total = 0;
  std::vector<CompressedBlock> blocks;
  std::vector<uint32_t> block_start;
  std::vector<std::vector<size_t>> block_files;
  size_t leading_empty = 0;  // files before this index are empty and precede all data
};

struct Piece {
  size_t block;
  size_t from, to;  // compressed bytes of the block
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

struct SplitRequest {
  size_t folder;
  size_t first_moved_file;
};

std::string numbered(const std::string& pattern, size_t position) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'u') {
      out += std::to_string(position);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

void encode(PlannedFolder& f) {
  std::vector<uint8_t> stream;
  f.offsets.clear();
  for (const SourceFile& file : f.files) {
    f.offsets.push_back(uint32_t(stream.size()));
    stream.insert(stream.end(), file.data.begin(), file.data.end());
  }
  if (stream.size() > 0x7FFF8000u) throw std::invalid_argument("folder too large");
  f.total = uint32_t(stream.size());
  FolderEncoder encoder = f.encoder ? f.encoder : default_encoder(f.type_compress);
  f.blocks = encoder(stream);
  f.block_start.clear();
  f.block_files.assign(f.blocks.size(), {});
  uint32_t at = 0;
  for (const CompressedBlock& block : f.blocks) {
    f.block_start.push_back(at);
    at += block.uncompressed_size;
  }
  if (at != f.total) throw std::logic_error("encoder lost bytes");
  // An empty file goes with the block where the file before it ends: a reader walks to it
  // right after that file, so it must be listed where that file's data is (and, when that
  // block runs on into the next cabinet, there too, since the walk goes on there). Empty
  // files ahead of all data belong to the folder's first cabinet only (see listed_cabinets).
  std::optional<size_t> previous_last_block;
  f.leading_empty = 0;
  for (size_t i = 0; i < f.files.size(); ++i) {
    uint32_t begin = f.offsets[i];
    uint32_t end = begin + uint32_t(f.files[i].data.size());
    if (begin == end) {
      if (f.blocks.empty()) continue;
      f.block_files[previous_last_block.value_or(0)].push_back(i);
      if (!previous_last_block) f.leading_empty = i + 1;
      continue;
    }
    for (size_t b = 0; b < f.blocks.size(); ++b) {
      uint32_t bs = f.block_start[b];
      uint32_t be = bs + f.blocks[b].uncompressed_size;
      if (begin < be && end > bs) {
        f.block_files[b].push_back(i);
        previous_last_block = b;
      }
    }
  }
}

class Layout {
 public:
  Layout(const std::vector<PlannedFolder>& folders, const SetOptions& options)
      : folders_(folders), options_(options) {}

  // Places every block; returns a split request when a folder must end at a cabinet boundary.
  std::optional<SplitRequest> run() {
    cabs_.clear();
    open_cab();
    for (size_t fi = 0; fi < folders_.size(); ++fi) {
      const PlannedFolder& f = folders_[fi];
      if (f.blocks.empty()) {
        place_empty_folder(fi);
        continue;
      }
      for (size_t bi = 0; bi < f.blocks.size(); ++bi) {
        if (auto request = place_block(fi, bi)) return request;
      }
    }
    return std::nullopt;
  }

  const std::vector<CabPlan>& cabs() const { return cabs_; }

 private:
  uint32_t fixed_overhead(size_t index) const {
    uint32_t size = 36;
    if (options_.reserve_present) size += 4 + uint32_t(options_.header_reserve.size());
    if (index > 0) {
      size += uint32_t(numbered(options_.cabinet_name, index).size() +
                       numbered(options_.disk_name, index).size() + 2);
    }
    // Every cabinet is costed as if it named a successor; the last one just ends up smaller.
    size += uint32_t(numbered(options_.cabinet_name, index + 2).size() +
                     numbered(options_.disk_name, index + 2).size() + 2);
    return size;
  }

  void open_cab() {
    cabs_.push_back(CabPlan{});
    cabs_.back().size = fixed_overhead(cabs_.size() - 1);
    listed_.clear();
  }

  PlacedFolder* folder_in_current(size_t fi) {
    CabPlan& cab = cabs_.back();
    if (!cab.folders.empty() && cab.folders.back().folder == fi) return &cab.folders.back();
    return nullptr;
  }

  uint32_t file_record_size(const SourceFile& file) const { return 16 + uint32_t(file.name.size()) + 1; }

  // Directory bytes that placing (part of) block bi of folder fi adds to the current cabinet.
  uint32_t directory_growth(size_t fi, size_t bi) {
    const PlannedFolder& f = folders_[fi];
    uint32_t growth = folder_in_current(fi) ? 0 : 8u + options_.folder_reserve_size;
    for (size_t file : f.block_files[bi])
      if (!listed_.count({fi, file})) growth += file_record_size(f.files[file]);
    return growth;
  }

  void add_piece(size_t fi, size_t bi, size_t from, size_t to, bool split_first) {
    CabPlan& cab = cabs_.back();
    cab.size += directory_growth(fi, bi);
    if (!folder_in_current(fi)) cab.folders.push_back(PlacedFolder{fi, {}});
    for (size_t file : folders_[fi].block_files[bi]) listed_.insert({fi, file});
    cab.folders.back().pieces.push_back(Piece{bi, from, to, split_first});
    cab.size += 8u + options_.data_reserve_size + uint32_t(to - from);
    cab.has_data = true;
  }

  void place_empty_folder(size_t fi) {
    uint32_t growth = 8u + options_.folder_reserve_size;
    for (const SourceFile& file : folders_[fi].files) growth += file_record_size(file);
    if (options_.max_cabinet_size && cabs_.back().has_data &&
        cabs_.back().size + growth > options_.max_cabinet_size)
      open_cab();
    cabs_.back().folders.push_back(PlacedFolder{fi, {}});
    cabs_.back().size += growth;
    for (size_t i = 0; i < folders_[fi].files.size(); ++i) listed_.insert({fi, i});
  }

  // Files at or after `boundary` must not ride on into the next cabinet with this folder.
  std::optional<SplitRequest> must_split(size_t fi, uint32_t boundary) const {
    const PlannedFolder& f = folders_[fi];
    for (size_t i = 1; i < f.files.size(); ++i)
      if (f.offsets[i] >= boundary) return SplitRequest{fi, i};
    return std::nullopt;
  }

  // Compressed bytes of block bi that an empty next cabinet, continuing folder fi, can take.
  size_t fresh_capacity(size_t fi, size_t bi) const {
    const PlannedFolder& f = folders_[fi];
    int64_t room = int64_t(options_.max_cabinet_size) - fixed_overhead(cabs_.size()) - 8 -
                   options_.folder_reserve_size - 8 - options_.data_reserve_size;
    for (size_t file : f.block_files[bi]) room -= file_record_size(f.files[file]);
    return room > 0 ? size_t(room) : 0;
  }

  std::optional<SplitRequest> place_block(size_t fi, size_t bi) {
    const PlannedFolder& f = folders_[fi];
    const size_t size = f.blocks[bi].bytes.size();
    const uint32_t max = options_.max_cabinet_size;
    size_t start = 0;
    for (;;) {
      CabPlan& cab = cabs_.back();
      uint32_t growth = directory_growth(fi, bi);
      uint32_t whole = 8u + options_.data_reserve_size + uint32_t(size - start);
      if (max == 0 || cab.size + growth + whole <= max) {
        add_piece(fi, bi, start, size, false);
        return std::nullopt;
      }
      int64_t room = int64_t(max) - cab.size - growth - 8 - options_.data_reserve_size;
      if (start == 0 && room >= 1 && size - size_t(room) <= fresh_capacity(fi, bi)) {
        uint32_t block_end = f.block_start[bi] + f.blocks[bi].uncompressed_size;
        if (auto request = must_split(fi, block_end)) return request;
        add_piece(fi, bi, 0, size_t(room), true);
        start = size_t(room);
        open_cab();
        continue;
      }
      // A block is split at most once, so what is left of it must fit an empty cabinet.
      if (!cab.has_data)
        throw std::invalid_argument("max_cabinet_size " + std::to_string(max) +
                                    " cannot hold a data block of this set");
      if (folder_in_current(fi)) {
        if (auto request = must_split(fi, f.block_start[bi])) return request;
      }
      open_cab();
    }
  }

  const std::vector<PlannedFolder>& folders_;
  const SetOptions& options_;
  std::vector<CabPlan> cabs_;
  std::set<std::pair<size_t, size_t>> listed_;
};

std::vector<PlannedFolder> plan_folders(const std::vector<SourceFolder>& sources) {
  std::vector<PlannedFolder> folders;
  for (const SourceFolder& source : sources) {
    PlannedFolder f;
    f.type_compress = source.type_compress;
    f.encoder = source.encoder ? source.encoder : default_encoder(source.type_compress, source.effort);
    f.files = source.files;
    encode(f);
    folders.push_back(std::move(f));
  }
  return folders;
}

void split_folder(std::vector<PlannedFolder>& folders, const SplitRequest& request) {
  PlannedFolder& first = folders[request.folder];
  PlannedFolder second;
  second.type_compress = first.type_compress;
  second.encoder = first.encoder;
  second.files.assign(first.files.begin() + long(request.first_moved_file), first.files.end());
  first.files.resize(request.first_moved_file);
  encode(first);
  encode(second);
  folders.insert(folders.begin() + long(request.folder) + 1, std::move(second));
}

CabinetImage empty_image(const SetOptions& options, size_t index, size_t count) {
  CabinetImage image;
  image.file_name = numbered(options.cabinet_name, index + 1);
  image.set_id = options.set_id;
  image.cabinet_index = uint16_t(index);
  image.checksums = options.checksums;
  image.reserve_present = options.reserve_present;
  image.header_reserve = options.header_reserve;
  image.folder_reserve_size = options.folder_reserve_size;
  image.data_reserve_size = options.data_reserve_size;
  if (index > 0) {
    image.has_previous = true;
    image.previous_cabinet = numbered(options.cabinet_name, index);
    image.previous_disk = numbered(options.disk_name, index);
  }
  if (index + 1 < count) {
    image.has_next = true;
    image.next_cabinet = numbered(options.cabinet_name, index + 2);
    image.next_disk = numbered(options.disk_name, index + 2);
  }
  return image;
}

// The files a cabinet lists for its part of a folder: those with data in its pieces, and the
// empty files that go with them.
std::set<size_t> listed_files(const PlannedFolder& f, const PlacedFolder& placed) {
  std::set<size_t> files;
  for (const Piece& piece : placed.pieces)
    for (size_t i : f.block_files[piece.block])
      if (i >= f.leading_empty || (piece.block == 0 && piece.from == 0)) files.insert(i);
  if (placed.pieces.empty())
    for (size_t i = 0; i < f.files.size(); ++i) files.insert(i);
  return files;
}

std::vector<CabinetImage> to_images(const std::vector<PlannedFolder>& folders,
                                    const std::vector<CabPlan>& cabs, const SetOptions& options) {
  // For every file: the first and last cabinet that lists it.
  std::vector<std::vector<std::pair<size_t, size_t>>> listed(folders.size());
  for (size_t fi = 0; fi < folders.size(); ++fi)
    listed[fi].assign(folders[fi].files.size(), {SIZE_MAX, 0});
  for (size_t c = 0; c < cabs.size(); ++c)
    for (const PlacedFolder& placed : cabs[c].folders)
      for (size_t i : listed_files(folders[placed.folder], placed)) {
        auto& range = listed[placed.folder][i];
        range.first = std::min(range.first, c);
        range.second = std::max(range.second, c);
      }

  std::vector<CabinetImage> images;
  for (size_t c = 0; c < cabs.size(); ++c) {
    CabinetImage image = empty_image(options, c, cabs.size());
    for (size_t slot = 0; slot < cabs[c].folders.size(); ++slot) {
      const PlacedFolder& placed = cabs[c].folders[slot];
      const PlannedFolder& f = folders[placed.folder];
      FolderImage folder;
      folder.type_compress = f.type_compress;
      for (const Piece& piece : placed.pieces) {
        const CompressedBlock& block = f.blocks[piece.block];
        DataBlockImage data;
        data.data.assign(block.bytes.begin() + long(piece.from), block.bytes.begin() + long(piece.to));
        data.cb_uncomp = piece.split_first ? 0 : block.uncompressed_size;
        folder.blocks.push_back(std::move(data));
      }
      for (size_t i : listed_files(f, placed)) {
        bool from_prev = listed[placed.folder][i].first < c;
        bool to_next = listed[placed.folder][i].second > c;
        const SourceFile& source = f.files[i];
        FileImage file;
        file.size = uint32_t(source.data.size());
        file.folder_offset = f.offsets[i];
        file.folder_index = from_prev && to_next ? CONTINUED_BOTH
                            : from_prev          ? CONTINUED_FROM_PREV
                            : to_next            ? CONTINUED_TO_NEXT
                                                 : uint16_t(slot);
        file.date = source.date;
        file.time = source.time;
        file.attributes = source.attributes;
        file.name = source.name;
        image.files.push_back(std::move(file));
      }
      image.folders.push_back(std::move(folder));
    }
    images.push_back(std::move(image));
  }
  return images;
}

}  // namespace

std::vector<CabinetImage> build_set(const std::vector<SourceFolder>& sources,
                                    const SetOptions& options) {
  std::vector<PlannedFolder> folders = plan_folders(sources);
  for (;;) {
    Layout layout(folders, options);
    std::optional<SplitRequest> request = layout.run();
    if (!request) return to_images(folders, layout.cabs(), options);
    split_folder(folders, *request);
  }
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
