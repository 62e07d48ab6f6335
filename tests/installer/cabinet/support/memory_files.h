// In-memory files behind the engine's seven callbacks. The callbacks carry no context, so the
// files live in one process-wide table; tests reset it between cases.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "installer/cabinet/cab_engine.h"

namespace memfs {

struct Stats {
  uint32_t allocations = 0;
  uint32_t frees = 0;
  uint32_t opens = 0;
  uint32_t data_reads = 0;  // reads of more than 16 bytes: data blocks and buffers, not records
  uint32_t fail_allocation_at = 0;  // 1-based: that allocation returns null; 0 never
  uint32_t fail_close_at = 0;       // 1-based: that close returns -1; 0 never
  uint32_t fail_write_at = 0;       // 1-based: that write comes back short; 0 never
  uint32_t closes = 0;
  uint32_t writes = 0;
};

void reset();
Stats& stats();
std::map<std::string, std::vector<uint8_t>>& files();
void put(const std::string& name, std::vector<uint8_t> bytes);
int open_handles();  // handles not closed yet

struct ReadRecord {
  std::string name;
  int64_t offset;
  uint32_t count;
};
const std::vector<ReadRecord>& read_log();

void* alloc(uint32_t size);
void free(void* memory);
int open(const char* name, int flags, int mode);
uint32_t read(int handle, void* buffer, uint32_t count);
uint32_t write(int handle, const void* buffer, uint32_t count);
int close(int handle);
int32_t seek(int handle, int32_t offset, int origin);

// Opens an output file (created empty) for a FileBegin answer.
int create(const std::string& name);

CabEngine* create_engine(CabErrorRecord* error);

}  // namespace memfs
