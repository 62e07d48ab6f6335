// The engine's seven callbacks over POSIX files, for the command-line tool.
#pragma once

#include "installer/cabinet/cab_engine.h"
#include "installer/platform/output_writer.h"

namespace vexacab {

void* mem_alloc(uint32_t size);
void mem_free(void* memory);
int file_open(const char* name, int flags, int mode);
uint32_t file_read(int handle, void* buffer, uint32_t count);
uint32_t file_write(int handle, const void* buffer, uint32_t count);
int file_close(int handle);
int32_t file_seek(int handle, int32_t offset, int origin);

// A handle that swallows writes (vexacab test decodes without writing).
constexpr int DISCARD_HANDLE = 0x7FFF0000;

// Output handles belong to `output` (when given): their writes are gathered there, and the
// engine's close of an unfinished one discards it. The callbacks have no context of their
// own, so the writer is remembered until the next create_engine.
CabEngine* create_engine(CabErrorRecord* error, platform::OutputWriter* output = nullptr);

}  // namespace vexacab
