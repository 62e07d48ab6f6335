// The engine's lifetime and the two small operations: create, destroy and recognising a cabinet.
#include <cstring>

#include "cab_engine_internal.h"

namespace cab_detail {

int fail(CabEngine* engine, CabError code, int32_t detail) {
  engine->error->code = code;
  engine->error->detail = detail;
  engine->error->failed = 1;
  return 0;
}

uint16_t read_u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

uint32_t read_u32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void copy_name(char* destination, const char* source) {
  size_t n = 0;
  if (source) {
    while (n < NAME_LIMIT && source[n] != '\0') ++n;
    std::memcpy(destination, source, n);
  }
  destination[n] = '\0';
}

}  // namespace cab_detail

using namespace cab_detail;

CabEngine* cab_create(AllocFn alloc, FreeFn free, OpenFn open, ReadFn read, WriteFn write,
                      CloseFn close, SeekFn seek, int cpu_type, CabErrorRecord* error_record) {
  if (!error_record) return nullptr;
  error_record->code = CabError::None;
  error_record->detail = 0;
  error_record->failed = 0;

  auto* engine = static_cast<CabEngine*>(alloc(sizeof(CabEngine)));
  if (!engine) {
    error_record->code = CabError::NoMemory;
    error_record->failed = 1;
    return nullptr;
  }
  // The allocator does not zero; every field the engine reads before writing is set here.
  std::memset(static_cast<void*>(engine), 0, sizeof(CabEngine));
  engine->error = error_record;
  engine->alloc = alloc;
  engine->free = free;
  engine->open = open;
  engine->read = read;
  engine->write = write;
  engine->close = close;
  engine->seek = seek;
  engine->cpu_type = cpu_type;
  engine->directory_handle = -1;
  engine->data_handle = -1;
  engine->output_handle = -1;
  engine->current_folder = NO_FOLDER;
  engine->decoder_type = METHOD_NO_DECODER;
  engine->folder_record_size = SIZE_UNKNOWN;
  engine->data_record_size = SIZE_UNKNOWN;
  engine->header_reserve_size = SIZE_UNKNOWN;
  return engine;
}

int cab_is_cabinet(CabEngine* engine, int handle, CabinetSummary* summary) {
  if (!engine) return 0;
  uint8_t raw[36];
  if (engine->read(handle, raw, sizeof raw) != sizeof raw) return 0;
  if (read_u32(raw) != CAB_SIGNATURE) return 0;
  uint16_t version = read_u16(raw + 24);
  if (version != CAB_VERSION) return fail(engine, CabError::BadVersion, version);
  if (summary) {
    uint16_t flags = read_u16(raw + 30);
    summary->cabinet_size = read_u32(raw + 8);
    summary->folder_count = read_u16(raw + 26);
    summary->file_count = read_u16(raw + 28);
    summary->set_id = read_u16(raw + 32);
    summary->cabinet_index = read_u16(raw + 34);
    summary->has_reserve = (flags & FLAG_RESERVE) ? 1 : 0;
    summary->has_previous = (flags & FLAG_PREVIOUS) ? 1 : 0;
    summary->has_next = flags & FLAG_NEXT;
  }
  return 1;
}

int cab_destroy(CabEngine* engine) {
  if (!engine) return 0;
  drop_decoder(engine);
  if (engine->header_reserve) engine->free(engine->header_reserve);
  if (engine->folder_record) engine->free(engine->folder_record);
  if (engine->data_record) engine->free(engine->data_record);
  close_cabinet_handles(engine);
  engine->free(engine);
  return 1;
}
