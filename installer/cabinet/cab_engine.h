// The cabinet engine: reads cabinet archives through client callbacks and hands every stored
// file's bytes to the client through notifications. The engine owns no files and no memory of
// its own; everything goes through the seven callbacks given to cab_create.
#pragma once

#include <cstdint>

// ---- client callbacks (plain functions; handles are ints, -1 is failure or "no handle") ----

using AllocFn = void* (*)(uint32_t size);
using FreeFn = void (*)(void* memory);
using OpenFn = int (*)(const char* name, int flags, int mode);
using ReadFn = uint32_t (*)(int handle, void* buffer, uint32_t count);
using WriteFn = uint32_t (*)(int handle, const void* buffer, uint32_t count);
using CloseFn = int (*)(int handle);
using SeekFn = int32_t (*)(int handle, int32_t offset, int origin);

// Flags and mode the engine passes to OpenFn for every cabinet it opens.
constexpr int CAB_OPEN_FLAGS = 0x8000;  // binary
constexpr int CAB_OPEN_MODE = 0x0180;   // read and write permission
constexpr int CAB_SEEK_SET = 0;
constexpr int CAB_SEEK_CUR = 1;

// ---- errors ----

enum class CabError : int32_t {
  None = 0,
  OpenFailed = 1,
  BadSignature = 2,
  BadVersion = 3,
  CorruptData = 4,
  NoMemory = 5,
  UnknownMethod = 6,
  DecoderFailed = 7,
  OutputFailed = 8,
  ReserveSizeChanged = 9,
  WrongSetMember = 10,
  Aborted = 11,
};

// Owned by the client; the engine records the last failure here and never clears it.
struct CabErrorRecord {
  CabError code;
  int32_t detail;  // the version word for BadVersion, else 0
  int32_t failed;  // 1 once any error has been recorded
};

const char* cab_error_name(CabError code);

// ---- cabinet summary (cab_is_cabinet) ----

struct CabinetSummary {
  uint32_t cabinet_size;
  uint16_t folder_count;
  uint16_t file_count;
  uint16_t set_id;
  uint16_t cabinet_index;
  int32_t has_reserve;   // 1 when the cabinet carries reserve fields
  int32_t has_previous;  // 1 when a previous cabinet is named
  int32_t has_next;      // the masked flag value: 2 when a next cabinet is named
};

// ---- notifications ----

enum CabNotifyKind : int32_t {
  CabinetOpened = 0,
  FileContinued = 1,
  FileBegin = 2,
  FileEnd = 3,
  CabinetNeeded = 4,
  DirectoryCursor = 5,
};

// One record reused for every notification; only the fields a kind names are meaningful.
struct CabNotification {
  int32_t size;
  char* text1;
  char* text2;
  char* text3;
  void* user_data;
  int file_handle;
  uint16_t date;
  uint16_t time;
  uint16_t attributes;
  uint16_t set_id;
  uint16_t cabinet_index;
  uint16_t folder_index;
  CabError error;
};

using NotifyFn = int32_t (*)(CabNotifyKind kind, CabNotification* notification);

// ---- reserve hook ----

enum ReserveHookKind : int32_t {
  HookCabinet = 0,
  HookFolder = 1,
  HookDataBlock = 2,
};

struct HookCabinetFields {
  uint8_t* reserve;
  uint16_t reserve_size;
  uint16_t set_id;
  int32_t cabinet_index;
};

struct HookFolderFields {
  uint8_t* reserve;  // null when the size is 0
  uint16_t reserve_size;
  uint16_t folder_index;
};

struct HookDataBlockFields {
  uint8_t* reserve;  // null when the size is 0
  uint16_t reserve_size;
  uint8_t* data;  // the block's compressed bytes in the engine's input buffer (may be changed in place)
  uint16_t data_size;
  int32_t split;  // 1 when the block is split (cbUncomp 0) or this is its second piece
  uint16_t first_piece_size;  // bytes of the first piece already in the buffer, 0 for a whole block
};

struct ReserveHookRecord {
  ReserveHookKind kind;
  void* user_data;
  union {
    HookCabinetFields cabinet;
    HookFolderFields folder;
    HookDataBlockFields data_block;
  } u;
};

using ReserveHookFn = int32_t (*)(ReserveHookRecord* record);

// ---- operations (1 success, 0 failure with the reason in the error record) ----

struct CabEngine;

CabEngine* cab_create(AllocFn alloc, FreeFn free, OpenFn open, ReadFn read, WriteFn write,
                      CloseFn close, SeekFn seek, int cpu_type, CabErrorRecord* error_record);
int cab_is_cabinet(CabEngine* engine, int handle, CabinetSummary* summary);
int cab_extract(CabEngine* engine, const char* cabinet_name, const char* cabinet_path, int flags,
                NotifyFn notify, ReserveHookFn reserve_hook, void* user_data);
int cab_destroy(CabEngine* engine);
