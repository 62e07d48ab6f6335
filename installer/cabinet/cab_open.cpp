// Opening a cabinet: header, reserve areas, the names of its neighbours in the set.
#include <cstddef>

#include "cab_engine_internal.h"

namespace cab_detail {

namespace {

void parse_header(const uint8_t* raw, CabHeader* header) {
  header->signature = read_u32(raw);
  header->cb_cabinet = read_u32(raw + 8);
  header->coff_files = read_u32(raw + 16);
  header->version = read_u16(raw + 24);
  header->folder_count = read_u16(raw + 26);
  header->file_count = read_u16(raw + 28);
  header->flags = read_u16(raw + 30);
  header->set_id = read_u16(raw + 32);
  header->cabinet_index = read_u16(raw + 34);
}

// The header reserve buffer follows the size of each cabinet; the folder and data record
// buffers are sized once per engine, so every cabinet it reads must agree with the first.
int size_reserve_buffers(CabEngine* engine, uint16_t cb_header, uint8_t cb_folder, uint8_t cb_data) {
  // 0xFFFF is also a valid size, so the marker alone cannot tell that no buffer exists yet.
  if (cb_header != engine->header_reserve_size || (cb_header != 0 && !engine->header_reserve)) {
    if (engine->header_reserve) engine->free(engine->header_reserve);
    engine->header_reserve = nullptr;
    engine->header_reserve_size = cb_header;
    if (cb_header != 0) {
      engine->header_reserve = static_cast<uint8_t*>(engine->alloc(cb_header));
      if (!engine->header_reserve) {
        engine->header_reserve_size = SIZE_UNKNOWN;
        return fail(engine, CabError::NoMemory);
      }
    }
  }
  uint16_t folder_size = uint16_t(8 + cb_folder);
  if (engine->folder_record_size == SIZE_UNKNOWN) {
    engine->folder_record = static_cast<uint8_t*>(engine->alloc(folder_size));
    if (!engine->folder_record) return fail(engine, CabError::NoMemory);
    engine->folder_record_size = folder_size;
  } else if (engine->folder_record_size != folder_size) {
    return fail(engine, CabError::ReserveSizeChanged);
  }
  uint16_t data_size = uint16_t(8 + cb_data);
  if (engine->data_record_size == SIZE_UNKNOWN) {
    engine->data_record = static_cast<uint8_t*>(engine->alloc(data_size));
    if (!engine->data_record) return fail(engine, CabError::NoMemory);
    for (uint16_t i = 0; i < data_size; ++i) engine->data_record[i] = 0;
    engine->data_record_size = data_size;
  } else if (engine->data_record_size != data_size) {
    return fail(engine, CabError::ReserveSizeChanged);
  }
  return 1;
}

int read_reserve(CabEngine* engine) {
  int handle = engine->directory_handle;
  uint16_t cb_header = 0;
  uint8_t cb_folder = 0, cb_data = 0;
  if (engine->header.flags & FLAG_RESERVE) {
    uint8_t sizes[4];
    if (engine->read(handle, sizes, 4) != 4) return fail(engine, CabError::BadSignature);
    cb_header = read_u16(sizes);
    cb_folder = sizes[2];
    cb_data = sizes[3];
  }
  if (!size_reserve_buffers(engine, cb_header, cb_folder, cb_data)) return 0;
  if (cb_header != 0 && engine->read(handle, engine->header_reserve, cb_header) != cb_header)
    return fail(engine, CabError::BadSignature);
  return 1;
}

int read_neighbour_names(CabEngine* engine) {
  int handle = engine->directory_handle;
  engine->previous_cabinet[0] = engine->previous_disk[0] = '\0';
  engine->next_cabinet[0] = engine->next_disk[0] = '\0';
  if (engine->header.flags & FLAG_PREVIOUS) {
    if (!read_name(engine, handle, engine->previous_cabinet)) return 0;
    if (!read_name(engine, handle, engine->previous_disk)) return 0;
  }
  if (engine->header.flags & FLAG_NEXT) {
    if (!read_name(engine, handle, engine->next_cabinet)) return 0;
    if (!read_name(engine, handle, engine->next_disk)) return 0;
  }
  return 1;
}

int announce_cabinet(CabEngine* engine) {
  CabNotification* n = &engine->notification;
  n->text1 = engine->next_cabinet;
  n->text2 = engine->next_disk;
  n->text3 = engine->cabinet_path;
  n->user_data = engine->user_data;
  n->set_id = engine->header.set_id;
  n->cabinet_index = engine->header.cabinet_index;
  if (engine->notify(CabinetOpened, n) == -1) return fail(engine, CabError::Aborted);
  if (engine->reserve_hook) {
    ReserveHookRecord* hook = &engine->hook;
    hook->kind = HookCabinet;
    hook->user_data = engine->user_data;
    hook->u.cabinet.reserve = engine->header_reserve;
    hook->u.cabinet.reserve_size = engine->header_reserve_size;
    hook->u.cabinet.set_id = engine->header.set_id;
    hook->u.cabinet.cabinet_index = engine->header.cabinet_index;
    if (engine->reserve_hook(hook) == -1) return fail(engine, CabError::Aborted);
  }
  return 1;
}

}  // namespace

// Reads a NUL-terminated name of at most 255 characters at the handle's position and leaves the
// handle just past its NUL. Bytes beyond what the read returned are never looked at.
int read_name(CabEngine* engine, int handle, char* buffer) {
  int32_t start = engine->seek(handle, 0, CAB_SEEK_CUR);
  if (start == -1) return fail(engine, CabError::CorruptData);
  int32_t got = int32_t(engine->read(handle, buffer, NAME_LIMIT));
  if (got <= 0 || got > int32_t(NAME_LIMIT)) return fail(engine, CabError::CorruptData);
  int32_t length = 0;
  while (length < got && buffer[length] != '\0') ++length;
  if (length == got) {
    buffer[0] = '\0';
    return fail(engine, CabError::CorruptData);
  }
  if (engine->seek(handle, start + length + 1, CAB_SEEK_SET) == -1)
    return fail(engine, CabError::CorruptData);
  return 1;
}

// The cabinet path immediately followed by the name, no separator inserted, cut at 256 bytes.
void build_full_path(CabEngine* engine, const char* cabinet_name) {
  size_t n = 0;
  for (const char* p = engine->cabinet_path; *p && n < NAME_LIMIT; ++p) engine->full_path[n++] = *p;
  for (const char* p = cabinet_name; p && *p && n < NAME_LIMIT; ++p) engine->full_path[n++] = *p;
  engine->full_path[n] = '\0';
}

int close_cabinet_handles(CabEngine* engine) {
  if (engine->directory_handle != -1 && engine->close(engine->directory_handle) == 0)
    engine->directory_handle = -1;
  if (engine->data_handle != -1 && engine->close(engine->data_handle) == 0)
    engine->data_handle = -1;
  return engine->directory_handle == -1 && engine->data_handle == -1;
}

// Opens cabinet_path + name twice (directory and data handle) and reads everything up to the
// first file record. A set member is expected unless expected_index is NO_SET_MEMBER.
int open_cabinet(CabEngine* engine, uint16_t expected_set_id, uint16_t expected_index) {
  engine->directory_handle = engine->open(engine->full_path, CAB_OPEN_FLAGS, CAB_OPEN_MODE);
  if (engine->directory_handle == -1) return fail(engine, CabError::OpenFailed);
  engine->data_handle = engine->open(engine->full_path, CAB_OPEN_FLAGS, CAB_OPEN_MODE);
  if (engine->data_handle == -1) return fail(engine, CabError::OpenFailed);

  uint8_t raw[36];
  if (engine->read(engine->directory_handle, raw, sizeof raw) != sizeof raw)
    return fail(engine, CabError::BadSignature);
  CabHeader header;
  parse_header(raw, &header);
  if (header.signature != CAB_SIGNATURE) return fail(engine, CabError::BadSignature);
  if (header.version != CAB_VERSION) return fail(engine, CabError::BadVersion, header.version);
  if (expected_index != NO_SET_MEMBER &&
      (header.set_id != expected_set_id || header.cabinet_index != expected_index))
    return fail(engine, CabError::WrongSetMember);
  engine->header = header;

  if (!read_reserve(engine)) return 0;
  if (!read_neighbour_names(engine)) return 0;

  engine->first_folder_offset = engine->seek(engine->directory_handle, 0, CAB_SEEK_CUR);
  if (engine->first_folder_offset == -1) return fail(engine, CabError::CorruptData);
  if (header.coff_files > 0x7FFFFFFFu ||
      engine->seek(engine->directory_handle, int32_t(header.coff_files), CAB_SEEK_SET) == -1)
    return fail(engine, CabError::CorruptData);
  engine->files_remaining = header.file_count;
  return announce_cabinet(engine);
}

}  // namespace cab_detail
