// The engine's private state and the steps shared by its source files.
#pragma once

#include "cab_engine.h"
#include "codec.h"

// Everything the engine's source files share stays in this namespace: the engine's public
// interface is cab_engine.h.
namespace cab_detail {

constexpr uint32_t CAB_SIGNATURE = 0x4643534D;  // "MSCF"
constexpr uint16_t CAB_VERSION = 0x0103;
constexpr uint16_t FLAG_PREVIOUS = 0x0001;
constexpr uint16_t FLAG_NEXT = 0x0002;
constexpr uint16_t FLAG_RESERVE = 0x0004;
constexpr uint16_t FOLDER_CONTINUED_FROM_PREV = 0xFFFD;
constexpr uint16_t FOLDER_CONTINUED_TO_NEXT = 0xFFFE;
constexpr uint16_t FOLDER_CONTINUED_BOTH = 0xFFFF;
constexpr uint16_t NO_FOLDER = 0xFFFF;
constexpr uint16_t NO_SET_MEMBER = 0xFFFF;
constexpr uint16_t SIZE_UNKNOWN = 0xFFFF;
constexpr uint16_t ATTRIB_EXEC = 0x40;
constexpr int NAME_BUFFER = 257;
constexpr uint32_t NAME_LIMIT = 256;  // bytes read for a name, the NUL included

struct CabHeader {
  uint32_t signature;
  uint32_t cb_cabinet;
  uint32_t coff_files;
  uint16_t version;
  uint16_t folder_count;
  uint16_t file_count;
  uint16_t flags;
  uint16_t set_id;
  uint16_t cabinet_index;
};

struct CabFileRecord {
  uint32_t size;
  uint32_t folder_offset;
  uint16_t folder_index;
  uint16_t date;
  uint16_t time;
  uint16_t attributes;
};

}  // namespace cab_detail

struct CabEngine {
  CabErrorRecord* error;
  AllocFn alloc;
  FreeFn free;
  OpenFn open;
  ReadFn read;
  WriteFn write;
  CloseFn close;
  SeekFn seek;
  int cpu_type;

  NotifyFn notify;
  ReserveHookFn reserve_hook;
  void* user_data;

  int directory_handle;
  int data_handle;
  int output_handle;

  cab_detail::CabHeader header;
  int32_t first_folder_offset;
  cab_detail::CabFileRecord file;
  char file_name[cab_detail::NAME_BUFFER];

  uint16_t files_remaining;
  uint16_t continued_skipped;
  uint16_t blocks_remaining;

  uint32_t current_folder;
  uint32_t block_start;  // folder-relative uncompressed offset of the current block
  bool continuation_mode;

  void* decoder;
  uint16_t decoder_type;
  uint32_t block_size;
  uint32_t input_capacity;
  uint8_t* input;
  uint8_t* output;

  // The current folder's typeCompress and the current block's header fields.
  uint16_t folder_type;
  uint16_t block_cb_data;
  uint16_t block_cb_uncomp;

  uint8_t* folder_record;
  uint8_t* data_record;
  uint8_t* header_reserve;
  uint16_t folder_record_size;
  uint16_t data_record_size;
  uint16_t header_reserve_size;

  char previous_cabinet[cab_detail::NAME_BUFFER];
  char previous_disk[cab_detail::NAME_BUFFER];
  char next_cabinet[cab_detail::NAME_BUFFER];
  char next_disk[cab_detail::NAME_BUFFER];
  char cabinet_path[cab_detail::NAME_BUFFER];
  char full_path[cab_detail::NAME_BUFFER];

  CabNotification notification;
  ReserveHookRecord hook;
};

namespace cab_detail {

// Records an error in the client's record and returns 0, so failures read `return fail(...)`.
int fail(CabEngine* engine, CabError code, int32_t detail = 0);

uint16_t read_u16(const uint8_t* p);
uint32_t read_u32(const uint8_t* p);

// Bounded copy into a 257-byte name buffer; longer text is cut silently at 256 characters.
void copy_name(char* destination, const char* source);

// Opening and closing cabinets (cab_open.cpp).
void build_full_path(CabEngine* engine, const char* cabinet_name);
int open_cabinet(CabEngine* engine, uint16_t expected_set_id, uint16_t expected_index);
int close_cabinet_handles(CabEngine* engine);
int read_name(CabEngine* engine, int handle, char* buffer);

// Folders, decoders and data blocks (cab_folder.cpp, cab_block.cpp).
int seek_folder(CabEngine* engine, uint32_t folder_index);
int ensure_decoder(CabEngine* engine, uint16_t type_compress);
void drop_decoder(CabEngine* engine);
int read_first_block(CabEngine* engine);
int advance_block(CabEngine* engine);
int change_cabinet(CabEngine* engine);

}  // namespace cab_detail
