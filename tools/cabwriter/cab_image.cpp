#include "cab_image.h"

#include "installer/cabinet/cab_checksum.h"

namespace cabwriter {

namespace {

constexpr uint16_t FLAG_PREVIOUS = 0x0001;
constexpr uint16_t FLAG_NEXT = 0x0002;
constexpr uint16_t FLAG_RESERVE = 0x0004;

void put_u8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }
void put_u16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void put_name(std::vector<uint8_t>& out, const std::string& name) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
}
void put_reserve(std::vector<uint8_t>& out, std::span<const uint8_t> reserve, size_t size) {
  for (size_t i = 0; i < size; ++i) out.push_back(i < reserve.size() ? reserve[i] : 0);
}

uint32_t names_size(const CabinetImage& c) {
  uint32_t size = 0;
  if (c.has_previous) size += uint32_t(c.previous_cabinet.size() + c.previous_disk.size() + 2);
  if (c.has_next) size += uint32_t(c.next_cabinet.size() + c.next_disk.size() + 2);
  return size;
}

uint32_t header_part_size(const CabinetImage& c) {
  uint32_t size = 36;
  if (c.reserve_present) size += 4 + uint32_t(c.header_reserve.size());
  return size + names_size(c);
}

}  // namespace

uint32_t directory_size(const CabinetImage& c) {
  uint32_t size = header_part_size(c);
  size += uint32_t(c.folders.size()) * (8 + c.folder_reserve_size);
  for (const FileImage& f : c.files) size += 16 + uint32_t(f.name.size()) + 1;
  return size;
}

uint32_t data_block_size(const CabinetImage& c, size_t data_size) {
  return 8 + c.data_reserve_size + uint32_t(data_size);
}

uint32_t data_block_size(const CabinetImage& c, const DataBlockImage& block) {
  return data_block_size(c, block.data.size());
}

CabinetLayout layout_of(const CabinetImage& c) {
  CabinetLayout layout;
  layout.first_folder = header_part_size(c);
  layout.first_file = layout.first_folder + uint32_t(c.folders.size()) * (8 + c.folder_reserve_size);
  uint32_t offset = directory_size(c);
  for (const FolderImage& folder : c.folders) {
    layout.folder_data.push_back(offset);
    for (const DataBlockImage& block : folder.blocks) offset += data_block_size(c, block);
  }
  return layout;
}

std::vector<uint8_t> serialize_directory(const CabinetImage& c, const std::vector<FolderData>& folder_data,
                                         uint32_t cabinet_size) {
  std::vector<uint8_t> out;
  out.reserve(directory_size(c));
  uint16_t flags = c.extra_flags;
  if (c.has_previous) flags |= FLAG_PREVIOUS;
  if (c.has_next) flags |= FLAG_NEXT;
  if (c.reserve_present) flags |= FLAG_RESERVE;

  put_u32(out, c.signature);
  put_u32(out, 0);
  put_u32(out, cabinet_size);
  put_u32(out, 0);
  put_u32(out, header_part_size(c) + uint32_t(c.folders.size()) * (8 + c.folder_reserve_size));
  put_u32(out, 0);
  put_u8(out, c.version_minor);
  put_u8(out, c.version_major);
  put_u16(out, uint16_t(c.folders.size()));
  put_u16(out, uint16_t(c.files.size()));
  put_u16(out, flags);
  put_u16(out, c.set_id);
  put_u16(out, c.cabinet_index);
  if (c.reserve_present) {
    put_u16(out, uint16_t(c.header_reserve.size()));
    put_u8(out, c.folder_reserve_size);
    put_u8(out, c.data_reserve_size);
    out.insert(out.end(), c.header_reserve.begin(), c.header_reserve.end());
  }
  if (c.has_previous) {
    put_name(out, c.previous_cabinet);
    put_name(out, c.previous_disk);
  }
  if (c.has_next) {
    put_name(out, c.next_cabinet);
    put_name(out, c.next_disk);
  }
  for (size_t i = 0; i < c.folders.size(); ++i) {
    put_u32(out, folder_data[i].first_block);
    put_u16(out, folder_data[i].block_count);
    put_u16(out, c.folders[i].type_compress);
    put_reserve(out, c.folders[i].reserve, c.folder_reserve_size);
  }
  for (const FileImage& f : c.files) {
    put_u32(out, f.size);
    put_u32(out, f.folder_offset);
    put_u16(out, f.folder_index);
    put_u16(out, f.date);
    put_u16(out, f.time);
    put_u16(out, f.attributes);
    put_name(out, f.name);
  }
  return out;
}

void append_data_block(std::vector<uint8_t>& out, const CabinetImage& c, std::span<const uint8_t> data,
                       uint16_t cb_uncomp, std::span<const uint8_t> reserve, std::optional<uint32_t> csum) {
  size_t header_at = out.size();
  put_u32(out, 0);
  put_u16(out, uint16_t(data.size()));
  put_u16(out, cb_uncomp);
  put_reserve(out, reserve, c.data_reserve_size);
  out.insert(out.end(), data.begin(), data.end());
  uint32_t sum = 0;
  if (csum) {
    sum = *csum;
  } else if (c.checksums) {
    sum = cab_checksum(data.data(), uint32_t(data.size()), 0);
    sum = cab_checksum(out.data() + header_at + 4, 4u + c.data_reserve_size, sum);
  }
  for (int i = 0; i < 4; ++i) out[header_at + i] = uint8_t(sum >> (8 * i));
}

std::vector<uint8_t> serialize(const CabinetImage& c) {
  CabinetLayout layout = layout_of(c);
  uint32_t total = directory_size(c);
  std::vector<FolderData> folder_data;
  for (size_t i = 0; i < c.folders.size(); ++i) {
    folder_data.push_back({layout.folder_data[i], uint16_t(c.folders[i].blocks.size())});
    for (const DataBlockImage& block : c.folders[i].blocks) total += data_block_size(c, block);
  }
  std::vector<uint8_t> out = serialize_directory(c, folder_data, total);
  out.reserve(total);
  for (const FolderImage& folder : c.folders)
    for (const DataBlockImage& block : folder.blocks)
      append_data_block(out, c, block.data, block.cb_uncomp, block.reserve, block.csum);
  return out;
}

}  // namespace cabwriter
