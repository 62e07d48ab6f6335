// The walk through a cabinet's file directory, and the extraction of one file.
#include "cab_engine_internal.h"
#include "decoder_dispatch.h"

namespace cab_detail {
namespace {

int send_directory_cursor(CabEngine* engine) {
  CabNotification* n = &engine->notification;
  int32_t position = engine->seek(engine->directory_handle, 0, CAB_SEEK_CUR);
  n->size = position;
  n->folder_index = engine->files_remaining;
  n->set_id = engine->header.set_id;
  n->user_data = engine->user_data;
  if (engine->notify(DirectoryCursor, n) == -1) return fail(engine, CabError::Aborted);
  engine->files_remaining = n->folder_index;
  if (engine->files_remaining != 0 && n->size != position &&
      engine->seek(engine->directory_handle, n->size, CAB_SEEK_SET) == -1)
    return fail(engine, CabError::Aborted);
  return 1;
}

int read_file_record(CabEngine* engine) {
  uint8_t raw[16];
  if (engine->read(engine->directory_handle, raw, sizeof raw) != sizeof raw)
    return fail(engine, CabError::CorruptData);
  if (!read_name(engine, engine->directory_handle, engine->file_name)) return 0;
  CabFileRecord* file = &engine->file;
  file->size = read_u32(raw);
  file->folder_offset = read_u32(raw + 4);
  file->folder_index = read_u16(raw + 8);
  file->date = read_u16(raw + 10);
  file->time = read_u16(raw + 12);
  file->attributes = read_u16(raw + 14);

  CabNotification* n = &engine->notification;
  n->text1 = engine->file_name;
  n->size = int32_t(file->size);
  n->text2 = engine->previous_cabinet;
  n->text3 = engine->previous_disk;
  n->date = file->date;
  n->time = file->time;
  n->attributes = file->attributes;
  n->user_data = engine->user_data;
  n->folder_index = file->folder_index;
  return 1;
}

// Brings the block that holds the file's first byte into the output buffer.
int position_on_file(CabEngine* engine) {
  const CabFileRecord* file = &engine->file;
  if (engine->continuation_mode) {
    // A folder that began in an earlier cabinet cannot be sought back to.
    if (file->folder_offset < engine->block_start) return fail(engine, CabError::CorruptData);
  } else {
    if (file->folder_offset < engine->block_start) engine->current_folder = NO_FOLDER;
    uint32_t folder = file->folder_index;
    if (folder == FOLDER_CONTINUED_TO_NEXT || folder == FOLDER_CONTINUED_BOTH)
      folder = uint32_t(engine->header.folder_count) - 1;
    if (folder != engine->current_folder) {
      if (engine->decoder_type != METHOD_NO_DECODER &&
          decoder_reset(engine->decoder_type, engine->decoder) != CodecStatus::Ok)
        return fail(engine, CabError::DecoderFailed);
      if (!seek_folder(engine, folder)) return 0;
      engine->block_start = 0;
      if (!read_first_block(engine)) return 0;
    }
  }
  while (file->folder_offset - engine->block_start >= engine->block_cb_uncomp) {
    if (!advance_block(engine)) return 0;
  }
  return 1;
}

int write_file_data(CabEngine* engine) {
  if (!position_on_file(engine)) return 0;
  uint32_t owed = engine->file.size;
  uint32_t in_block = engine->file.folder_offset - engine->block_start;
  for (;;) {
    uint32_t available = engine->block_cb_uncomp - in_block;
    uint32_t count = owed < available ? owed : available;
    if (count != 0 &&
        engine->write(engine->output_handle, engine->output + in_block, count) != count)
      return fail(engine, CabError::OutputFailed);
    owed -= count;
    if (owed == 0) return 1;
    if (!advance_block(engine)) return 0;
    in_block = 0;
  }
}

int extract_file(CabEngine* engine, int handle) {
  engine->output_handle = handle;
  if (engine->file.size != 0 && !write_file_data(engine)) {
    engine->close(engine->output_handle);
    engine->output_handle = -1;
    return 0;
  }
  CabNotification* n = &engine->notification;
  uint16_t attributes = engine->file.attributes;
  n->text1 = engine->file_name;
  n->file_handle = handle;
  n->date = engine->file.date;
  n->time = engine->file.time;
  n->attributes = uint16_t(attributes & ~ATTRIB_EXEC);
  n->user_data = engine->user_data;
  n->folder_index = engine->file.folder_index;
  n->size = (attributes & ATTRIB_EXEC) ? 1 : 0;
  engine->output_handle = -1;  // the client closes it while handling FileEnd
  int32_t answer = engine->notify(FileEnd, n);
  if (answer == -1) return fail(engine, CabError::Aborted);
  if (answer == 0) return fail(engine, CabError::OutputFailed);
  return 1;
}

int offer_file(CabEngine* engine) {
  int32_t answer = engine->notify(FileBegin, &engine->notification);
  if (answer == -1) return fail(engine, CabError::Aborted);
  if (answer == 0) {
    uint16_t folder = engine->file.folder_index;
    if (folder == FOLDER_CONTINUED_TO_NEXT || folder == FOLDER_CONTINUED_BOTH)
      ++engine->continued_skipped;
    return 1;
  }
  return extract_file(engine, int(answer));
}

// Handles one file record; returns 0 on failure.
int dispatch_file(CabEngine* engine) {
  uint16_t folder = engine->file.folder_index;
  bool from_previous = folder == FOLDER_CONTINUED_FROM_PREV || folder == FOLDER_CONTINUED_BOTH;
  if (from_previous) {
    if (engine->continuation_mode) return offer_file(engine);
    if (engine->notify(FileContinued, &engine->notification) == -1)
      return fail(engine, CabError::Aborted);
    return 1;
  }
  if (engine->continuation_mode) {
    engine->files_remaining = 0;  // the continued files are done; the rest is the next call's
    return 1;
  }
  if (folder < engine->header.folder_count || folder >= 0xFFFC) return offer_file(engine);
  return 1;
}

int walk(CabEngine* engine) {
  if (!send_directory_cursor(engine)) return 0;
  for (;;) {
    while (engine->files_remaining != 0) {
      --engine->files_remaining;
      if (!read_file_record(engine)) return 0;
      if (!dispatch_file(engine)) return 0;
    }
    if (!send_directory_cursor(engine)) return 0;
    if (engine->files_remaining == 0) return 1;
  }
}

}  // namespace
}  // namespace cab_detail

using namespace cab_detail;

int cab_extract(CabEngine* engine, const char* cabinet_name, const char* cabinet_path, int flags,
                NotifyFn notify, ReserveHookFn reserve_hook, void* user_data) {
  (void)flags;
  if (!engine || !notify) return 0;
  engine->notify = notify;
  engine->reserve_hook = reserve_hook;
  engine->user_data = user_data;
  engine->output_handle = -1;
  copy_name(engine->cabinet_path, cabinet_path);
  build_full_path(engine, cabinet_name);

  engine->continued_skipped = 0;
  int ok = open_cabinet(engine, 0, NO_SET_MEMBER);
  if (ok) {
    engine->continuation_mode = false;
    engine->block_start = 0;
    engine->current_folder = NO_FOLDER;
    ok = walk(engine);
  }
  engine->continuation_mode = false;
  close_cabinet_handles(engine);
  return ok;
}
