#include "memory_files.h"

#include <cstdlib>
#include <cstring>

namespace memfs {

namespace {

struct Handle {
  std::string name;
  int64_t position = 0;
};

struct State {
  std::map<std::string, std::vector<uint8_t>> files;
  std::map<int, Handle> handles;
  int next_handle = 3;
  Stats stats;
  std::vector<ReadRecord> reads;
};

State& state() {
  static State s;
  return s;
}

}  // namespace

void reset() { state() = State{}; }
Stats& stats() { return state().stats; }
std::map<std::string, std::vector<uint8_t>>& files() { return state().files; }
void put(const std::string& name, std::vector<uint8_t> bytes) { state().files[name] = std::move(bytes); }
int open_handles() { return int(state().handles.size()); }
const std::vector<ReadRecord>& read_log() { return state().reads; }

void* alloc(uint32_t size) {
  Stats& s = state().stats;
  ++s.allocations;
  if (s.fail_allocation_at != 0 && s.allocations == s.fail_allocation_at) return nullptr;
  return std::malloc(size ? size : 1);
}

void free(void* memory) {
  ++state().stats.frees;
  std::free(memory);
}

int open(const char* name, int, int) {
  State& s = state();
  ++s.stats.opens;
  if (!s.files.count(name)) return -1;
  int handle = s.next_handle++;
  s.handles[handle] = Handle{name, 0};
  return handle;
}

int create(const std::string& name) {
  State& s = state();
  s.files[name].clear();
  int handle = s.next_handle++;
  s.handles[handle] = Handle{name, 0};
  return handle;
}

uint32_t read(int handle, void* buffer, uint32_t count) {
  State& s = state();
  auto it = s.handles.find(handle);
  if (it == s.handles.end()) return uint32_t(-1);
  const std::vector<uint8_t>& data = s.files[it->second.name];
  s.reads.push_back(ReadRecord{it->second.name, it->second.position, count});
  int64_t available = int64_t(data.size()) - it->second.position;
  if (available < 0) available = 0;
  uint32_t n = count < available ? count : uint32_t(available);
  if (n) std::memcpy(buffer, data.data() + it->second.position, n);
  it->second.position += n;
  if (count > 16) ++s.stats.data_reads;
  return n;
}

uint32_t write(int handle, const void* buffer, uint32_t count) {
  State& s = state();
  ++s.stats.writes;
  if (s.stats.fail_write_at != 0 && s.stats.writes == s.stats.fail_write_at) return count / 2;
  auto it = s.handles.find(handle);
  if (it == s.handles.end()) return uint32_t(-1);
  std::vector<uint8_t>& data = s.files[it->second.name];
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  size_t at = size_t(it->second.position);
  if (data.size() < at + count) data.resize(at + count);
  std::memcpy(data.data() + at, bytes, count);
  it->second.position += count;
  return count;
}

int close(int handle) {
  State& s = state();
  ++s.stats.closes;
  if (s.stats.fail_close_at != 0 && s.stats.closes == s.stats.fail_close_at) return -1;
  return s.handles.erase(handle) ? 0 : -1;
}

int32_t seek(int handle, int32_t offset, int origin) {
  State& s = state();
  auto it = s.handles.find(handle);
  if (it == s.handles.end()) return -1;
  int64_t base = origin == 0 ? 0 : origin == 1 ? it->second.position
                                               : int64_t(s.files[it->second.name].size());
  int64_t target = base + offset;
  if (target < 0 || target > 0x7FFFFFFF) return -1;
  it->second.position = target;
  return int32_t(target);
}

CabEngine* create_engine(CabErrorRecord* error) {
  return cab_create(alloc, free, open, read, write, close, seek, 0, error);
}

}  // namespace memfs
