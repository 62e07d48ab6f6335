// Data blocks: reading (with checksum and split pieces), decoding, and following a folder into
// the next cabinet of a set.
#include <cstring>

#include "cab_checksum.h"
#include "cab_engine_internal.h"
#include "decoder_dispatch.h"

namespace cab_detail {

namespace {

// Reads one data block's header and bytes into the input buffer at offset `offset` (0, or the
// first piece's size when this is the second piece of a split block).
int read_block(CabEngine* engine, uint32_t offset) {
  uint8_t* record = engine->data_record;
  uint16_t record_size = engine->data_record_size;
  if (engine->read(engine->data_handle, record, record_size) != record_size)
    return fail(engine, CabError::CorruptData);
  uint32_t csum = read_u32(record);
  uint16_t cb_data = read_u16(record + 4);
  uint16_t cb_uncomp = read_u16(record + 6);
  if (uint32_t(cb_data) + offset > engine->input_capacity) return fail(engine, CabError::CorruptData);
  uint8_t* data = engine->input + offset;
  if (engine->read(engine->data_handle, data, cb_data) != cb_data)
    return fail(engine, CabError::CorruptData);
  if (csum != 0) {
    uint32_t sum = cab_checksum(data, cb_data, 0);
    sum = cab_checksum(record + 4, uint32_t(record_size - 4), sum);
    if (sum != csum) return fail(engine, CabError::CorruptData);
  }
  // Both pieces of a split block count as one from here on.
  engine->block_cb_data = uint16_t(cb_data + offset);
  engine->block_cb_uncomp = cb_uncomp;

  if (engine->reserve_hook) {
    ReserveHookRecord* hook = &engine->hook;
    uint16_t reserve_size = uint16_t(record_size - 8);
    hook->kind = HookDataBlock;
    hook->user_data = engine->user_data;
    hook->u.data_block.reserve = reserve_size ? record + 8 : nullptr;
    hook->u.data_block.reserve_size = reserve_size;
    hook->u.data_block.data = engine->input;
    hook->u.data_block.data_size = engine->block_cb_data;
    hook->u.data_block.split = (cb_uncomp == 0 || offset != 0) ? 1 : 0;
    hook->u.data_block.first_piece_size = uint16_t(offset);
    if (engine->reserve_hook(hook) == -1) return fail(engine, CabError::Aborted);
  }
  return 1;
}

int decode_block(CabEngine* engine) {
  uint32_t wanted = engine->block_cb_uncomp;
  if (wanted > engine->block_size) return fail(engine, CabError::DecoderFailed);
  uint32_t produced = 0;
  switch (method_of(engine->decoder_type)) {
    case METHOD_NONE:
      if (engine->block_cb_data > CAB_BLOCK_SIZE) return fail(engine, CabError::DecoderFailed);
      std::memcpy(engine->output, engine->input, engine->block_cb_data);
      produced = engine->block_cb_data;
      break;
    case METHOD_MSZIP:
    case METHOD_QUANTUM:
    case METHOD_LZX: {
      // MSZIP decodes to the end of its deflate stream; the others produce exactly cbUncomp.
      produced = method_of(engine->decoder_type) == METHOD_MSZIP ? engine->block_size : wanted;
      CodecStatus status = decoder_decompress(engine->decoder_type, engine->decoder, engine->input,
                                              engine->block_cb_data, engine->output, &produced);
      if (status != CodecStatus::Ok) return fail(engine, CabError::DecoderFailed);
      break;
    }
    default:
      return fail(engine, CabError::UnknownMethod);
  }
  if (produced != wanted) return fail(engine, CabError::DecoderFailed);
  return 1;
}

// Reads the block at the data handle; a block that ends the folder's part in this cabinet
// continues in the next one, whole or as the second piece of a split block.
int load_block(CabEngine* engine) {
  if (!read_block(engine, 0)) {
    if (engine->blocks_remaining != 0) return 0;
    if (!change_cabinet(engine)) return 0;
    if (!read_block(engine, 0)) return 0;
  }
  if (engine->block_cb_uncomp == 0) {
    uint32_t first_piece = engine->block_cb_data;
    if (!change_cabinet(engine)) return 0;
    if (!read_block(engine, first_piece)) return 0;
    if (engine->blocks_remaining != 0) --engine->blocks_remaining;
  }
  return decode_block(engine);
}

int skip_file_record(CabEngine* engine) {
  uint8_t raw[16];
  if (engine->read(engine->directory_handle, raw, sizeof raw) != sizeof raw)
    return fail(engine, CabError::CorruptData);
  if (!read_name(engine, engine->directory_handle, engine->file_name)) return 0;
  if (engine->files_remaining != 0) --engine->files_remaining;
  return 1;
}

void prepare_cabinet_needed(CabEngine* engine, uint16_t set_id, uint16_t index, CabError error) {
  CabNotification* n = &engine->notification;
  n->text1 = engine->next_cabinet;
  n->text2 = engine->next_disk;
  n->text3 = engine->cabinet_path;
  n->user_data = engine->user_data;
  n->set_id = set_id;
  n->cabinet_index = index;
  n->error = error;
}

}  // namespace

int read_first_block(CabEngine* engine) { return load_block(engine); }

int advance_block(CabEngine* engine) {
  engine->block_start += engine->block_cb_uncomp;
  if (engine->blocks_remaining != 0) --engine->blocks_remaining;
  return load_block(engine);
}

// Moves to the next cabinet of the set, asking the client until it is found or the client
// gives up. The file records that continue from the previous cabinet are skipped.
int change_cabinet(CabEngine* engine) {
  const uint16_t set_id = engine->header.set_id;
  const uint16_t expected_index = uint16_t(engine->header.cabinet_index + 1);
  // A failed attempt may have read another cabinet's names; each retry starts from these.
  char wanted_cabinet[NAME_BUFFER];
  char wanted_disk[NAME_BUFFER];
  copy_name(wanted_cabinet, engine->next_cabinet);
  copy_name(wanted_disk, engine->next_disk);

  CabError last_error = CabError::None;
  for (;;) {
    copy_name(engine->next_cabinet, wanted_cabinet);
    copy_name(engine->next_disk, wanted_disk);
    prepare_cabinet_needed(engine, set_id, expected_index, last_error);
    if (!close_cabinet_handles(engine)) return fail(engine, CabError::CorruptData);
    if (engine->notify(CabinetNeeded, &engine->notification) == -1)
      return fail(engine, CabError::Aborted);
    // The client may have redirected the search by rewriting the two buffers.
    copy_name(wanted_cabinet, engine->next_cabinet);
    copy_name(wanted_disk, engine->next_disk);

    build_full_path(engine, wanted_cabinet);

    if (open_cabinet(engine, set_id, expected_index) && seek_folder(engine, 0)) break;
    if (engine->error->code == CabError::Aborted) return 0;
    last_error = engine->error->code;
  }

  for (uint32_t i = 0; i < uint32_t(engine->continued_skipped) + 1; ++i) {
    if (!skip_file_record(engine)) return 0;
  }
  engine->continued_skipped = 0;
  engine->continuation_mode = true;
  return 1;
}

}  // namespace cab_detail
