#include "set_planner.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <set>
#include <stdexcept>

namespace cabwriter {

namespace {

constexpr uint16_t CONTINUED_FROM_PREV = 0xFFFD;
constexpr uint16_t CONTINUED_TO_NEXT = 0xFFFE;
constexpr uint16_t CONTINUED_BOTH = 0xFFFF;

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

// An empty file goes with the block where the file before it ends: a reader walks to it right
// after that file, so it must be listed where that file's data is (and, when that block runs on
// into the next cabinet, there too, since the walk goes on there). Empty files ahead of all
// data belong to the folder's first cabinet only (see listed_files).
void assign_files_to_blocks(PlannedFolder& f) {
  f.block_files.assign(f.blocks.size(), {});
  std::optional<size_t> previous_last_block;
  f.leading_empty = 0;
  size_t first_block = 0;  // files come in stream order, so the blocks they touch only move on
  for (size_t i = 0; i < f.file_count(); ++i) {
    uint32_t begin = f.offsets[i];
    uint32_t end = begin + f.file(i).size;
    if (begin == end) {
      if (f.blocks.empty()) continue;
      f.block_files[previous_last_block.value_or(0)].push_back(i);
      if (!previous_last_block) f.leading_empty = i + 1;
      continue;
    }
    while (first_block < f.blocks.size() &&
           f.block_start[first_block] + f.blocks[first_block].uncompressed_size <= begin)
      ++first_block;
    for (size_t b = first_block; b < f.blocks.size() && f.block_start[b] < end; ++b) {
      f.block_files[b].push_back(i);
      previous_last_block = b;
    }
  }
}

// Encodes the folder's stream into the store, block after block, reading its files in pieces.
void encode(PlannedFolder& f, BlockStore& store) {
  uint64_t total = 0;
  f.offsets.clear();
  for (size_t i = 0; i < f.file_count(); ++i) {
    f.offsets.push_back(uint32_t(total));
    total += f.file(i).size;
  }
  if (total > FOLDER_BYTE_LIMIT) throw std::invalid_argument("folder too large");
  f.total = uint32_t(total);
  f.store_start = store.size();
  f.blocks.clear();
  f.block_start.clear();
  std::unique_ptr<StreamEncoder> encoder = f.origin->encoder();
  std::vector<CompressedBlock> done;
  uint32_t at = 0;
  auto keep = [&] {
    for (const CompressedBlock& block : done) {
      assert(block.bytes.size() <= 0xFFFF && block.uncompressed_size > 0);
      f.blocks.push_back(StoredBlock{store.size(), uint32_t(block.bytes.size()), block.uncompressed_size});
      f.block_start.push_back(at);
      at += block.uncompressed_size;
      store.append(block.bytes);
    }
    done.clear();
  };
  f.origin->read(f.first, f.last, [&](std::span<const uint8_t> piece) {
    encoder->feed(piece, done);
    keep();
  });
  encoder->finish(done);
  keep();
  if (at != f.total) throw std::logic_error("encoder lost bytes");
  assign_files_to_blocks(f);
  f.encoded = true;
}

class Layout {
 public:
  Layout(std::vector<PlannedFolder>& folders, const SetOptions& options, BlockStore& store)
      : folders_(folders), options_(options), store_(store) {}

  // Places every block, encoding each folder when it is reached; returns a split request when
  // a folder must end at a cabinet boundary (that folder is then the last one encoded).
  std::optional<SplitRequest> run() {
    cabs_.clear();
    open_cab();
    for (size_t fi = 0; fi < folders_.size(); ++fi) {
      if (!folders_[fi].encoded) encode(folders_[fi], store_);
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

  uint32_t file_record_size(const FileRecord& file) const { return 16 + uint32_t(file.name.size()) + 1; }

  // Directory bytes that placing (part of) block bi of folder fi adds to the current cabinet.
  uint32_t directory_growth(size_t fi, size_t bi) {
    const PlannedFolder& f = folders_[fi];
    uint32_t growth = folder_in_current(fi) ? 0 : 8u + options_.folder_reserve_size;
    for (size_t file : f.block_files[bi])
      if (!listed_.count({fi, file})) growth += file_record_size(f.file(file));
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
    for (size_t i = 0; i < folders_[fi].file_count(); ++i) growth += file_record_size(folders_[fi].file(i));
    if (options_.max_cabinet_size && cabs_.back().has_data &&
        cabs_.back().size + growth > options_.max_cabinet_size)
      open_cab();
    cabs_.back().folders.push_back(PlacedFolder{fi, {}});
    cabs_.back().size += growth;
    for (size_t i = 0; i < folders_[fi].file_count(); ++i) listed_.insert({fi, i});
  }

  // Files at or after `boundary` must not ride on into the next cabinet with this folder.
  std::optional<SplitRequest> must_split(size_t fi, uint32_t boundary) const {
    const PlannedFolder& f = folders_[fi];
    for (size_t i = 1; i < f.file_count(); ++i)
      if (f.offsets[i] >= boundary) return SplitRequest{fi, i};
    return std::nullopt;
  }

  // Compressed bytes of block bi that an empty next cabinet, continuing folder fi, can take.
  size_t fresh_capacity(size_t fi, size_t bi) const {
    const PlannedFolder& f = folders_[fi];
    int64_t room = int64_t(options_.max_cabinet_size) - fixed_overhead(cabs_.size()) - 8 -
                   options_.folder_reserve_size - 8 - options_.data_reserve_size;
    for (size_t file : f.block_files[bi]) room -= file_record_size(f.file(file));
    return room > 0 ? size_t(room) : 0;
  }

  std::optional<SplitRequest> place_block(size_t fi, size_t bi) {
    const PlannedFolder& f = folders_[fi];
    const size_t size = f.blocks[bi].size;
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

  std::vector<PlannedFolder>& folders_;
  const SetOptions& options_;
  BlockStore& store_;
  std::vector<CabPlan> cabs_;
  std::set<std::pair<size_t, size_t>> listed_;
};

PlannedFolder unencoded(const FolderOrigin* origin, size_t first, size_t last) {
  PlannedFolder folder;
  folder.origin = origin;
  folder.first = first;
  folder.last = last;
  return folder;
}

// The folder was the last one encoded: its blocks leave the store, and both halves are
// encoded afresh when the layout reaches them.
void split_folder(std::vector<PlannedFolder>& folders, const SplitRequest& request, BlockStore& store) {
  PlannedFolder& whole = folders[request.folder];
  assert(request.folder + 1 == folders.size() || !folders[request.folder + 1].encoded);
  store.truncate(whole.store_start);
  size_t cut = whole.first + request.first_moved_file;
  PlannedFolder second = unencoded(whole.origin, cut, whole.last);
  whole = unencoded(whole.origin, whole.first, cut);
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
    for (size_t i = 0; i < f.file_count(); ++i) files.insert(i);
  return files;
}

}  // namespace

SetPlan plan_set(const std::vector<const FolderOrigin*>& origins, const SetOptions& options, BlockStore& store) {
  SetPlan plan;
  for (const FolderOrigin* origin : origins)
    plan.folders.push_back(unencoded(origin, 0, origin->files().size()));
  for (;;) {
    Layout layout(plan.folders, options, store);
    std::optional<SplitRequest> request = layout.run();
    if (!request) {
      plan.cabs = layout.cabs();
      return plan;
    }
    split_folder(plan.folders, *request, store);
  }
}

std::vector<CabinetImage> member_records(const SetPlan& plan, const SetOptions& options) {
  const std::vector<PlannedFolder>& folders = plan.folders;
  const std::vector<CabPlan>& cabs = plan.cabs;
  // For every file: the first and last cabinet that lists it.
  std::vector<std::vector<std::pair<size_t, size_t>>> listed(folders.size());
  for (size_t fi = 0; fi < folders.size(); ++fi) listed[fi].assign(folders[fi].file_count(), {SIZE_MAX, 0});
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
      folder.type_compress = f.origin->type_compress();
      for (size_t i : listed_files(f, placed)) {
        bool from_prev = listed[placed.folder][i].first < c;
        bool to_next = listed[placed.folder][i].second > c;
        const FileRecord& source = f.file(i);
        FileImage file;
        file.size = source.size;
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

std::vector<PlannedDataBlock> member_data_blocks(const SetPlan& plan, size_t cabinet) {
  std::vector<PlannedDataBlock> blocks;
  const std::vector<PlacedFolder>& placed = plan.cabs[cabinet].folders;
  for (size_t slot = 0; slot < placed.size(); ++slot) {
    const PlannedFolder& f = plan.folders[placed[slot].folder];
    for (const Piece& piece : placed[slot].pieces) {
      const StoredBlock& block = f.blocks[piece.block];
      blocks.push_back(PlannedDataBlock{slot, block.at + piece.from, uint32_t(piece.to - piece.from),
                                        piece.split_first ? uint16_t(0) : block.uncompressed_size});
    }
  }
  return blocks;
}

}  // namespace cabwriter
