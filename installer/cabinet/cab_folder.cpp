// Folders: finding a folder's record and data, and keeping a decoder that fits its method.
#include <cstring>

#include "cab_engine_internal.h"
#include "decoder_dispatch.h"

namespace cab_detail {

void drop_decoder(CabEngine* engine) {
  if (engine->decoder_type != METHOD_NO_DECODER)
    decoder_destroy(engine->decoder_type, engine->decoder);
  engine->decoder = nullptr;
  engine->decoder_type = METHOD_NO_DECODER;
  if (engine->input) engine->free(engine->input);
  if (engine->output) engine->free(engine->output);
  engine->input = nullptr;
  engine->output = nullptr;
}

namespace {

void free_io_buffers(CabEngine* engine) {
  if (engine->input) engine->free(engine->input);
  if (engine->output) engine->free(engine->output);
  engine->input = nullptr;
  engine->output = nullptr;
}

}  // namespace

// Keeps the current decoder when the folder's full typeCompress is the one it was made for;
// a change of method or of window bits gets a decoder of its own.
int ensure_decoder(CabEngine* engine, uint16_t type_compress) {
  if (engine->decoder_type == type_compress) return 1;

  if (engine->decoder_type != METHOD_NO_DECODER) {
    CodecStatus status = decoder_destroy(engine->decoder_type, engine->decoder);
    engine->decoder = nullptr;
    engine->decoder_type = METHOD_NO_DECODER;
    free_io_buffers(engine);
    if (status != CodecStatus::Ok) return fail(engine, CabError::DecoderFailed);
  }
  free_io_buffers(engine);

  if (method_of(type_compress) > METHOD_LZX) return fail(engine, CabError::UnknownMethod);

  uint32_t block_size = CAB_BLOCK_SIZE;
  uint32_t capacity = 0;
  if (decoder_query(type_compress, &block_size, &capacity) != CodecStatus::Ok)
    return fail(engine, CabError::DecoderFailed);

  engine->input = static_cast<uint8_t*>(engine->alloc(capacity));
  engine->output = static_cast<uint8_t*>(engine->alloc(block_size));
  if (!engine->input || !engine->output) {
    free_io_buffers(engine);
    return fail(engine, CabError::NoMemory);
  }
  // A damaged first block may reach back into "history" that was never written; it reads
  // zeros rather than whatever the allocator left there.
  std::memset(engine->output, 0, block_size);

  void* handle = nullptr;
  CodecStatus status = decoder_create(type_compress, engine->cpu_type, engine->alloc, engine->free,
                                      &block_size, &capacity, &handle);
  if (status != CodecStatus::Ok) {
    free_io_buffers(engine);
    return fail(engine, status == CodecStatus::NoMemory ? CabError::NoMemory
                                                        : CabError::DecoderFailed);
  }
  engine->decoder = handle;
  engine->decoder_type = type_compress;
  engine->block_size = block_size;
  engine->input_capacity = capacity;
  return 1;
}

// Positions the data handle on folder_index's first data block and readies its decoder.
int seek_folder(CabEngine* engine, uint32_t folder_index) {
  engine->current_folder = folder_index;
  int64_t record_offset =
      int64_t(engine->first_folder_offset) + int64_t(folder_index) * engine->folder_record_size;
  if (record_offset > 0x7FFFFFFF ||
      engine->seek(engine->data_handle, int32_t(record_offset), CAB_SEEK_SET) == -1)
    return fail(engine, CabError::CorruptData);
  uint8_t* record = engine->folder_record;
  if (engine->read(engine->data_handle, record, engine->folder_record_size) !=
      engine->folder_record_size)
    return fail(engine, CabError::CorruptData);
  uint32_t coff_cab_start = read_u32(record);
  uint16_t block_count = read_u16(record + 4);
  uint16_t type_compress = read_u16(record + 6);
  if (coff_cab_start > 0x7FFFFFFFu ||
      engine->seek(engine->data_handle, int32_t(coff_cab_start), CAB_SEEK_SET) == -1)
    return fail(engine, CabError::CorruptData);
  if (method_of(type_compress) == METHOD_NO_DECODER) return fail(engine, CabError::UnknownMethod);
  engine->blocks_remaining = block_count;
  engine->folder_type = type_compress;
  if (!ensure_decoder(engine, type_compress)) return 0;

  if (engine->reserve_hook) {
    ReserveHookRecord* hook = &engine->hook;
    uint16_t reserve_size = uint16_t(engine->folder_record_size - 8);
    hook->kind = HookFolder;
    hook->user_data = engine->user_data;
    hook->u.folder.reserve = reserve_size ? record + 8 : nullptr;
    hook->u.folder.reserve_size = reserve_size;
    hook->u.folder.folder_index = uint16_t(folder_index);
    if (engine->reserve_hook(hook) == -1) return fail(engine, CabError::Aborted);
  }
  return 1;
}

}  // namespace cab_detail
