// The output writer's second thread: filled buffers go to their files there, so that producing
// the next bytes (decoding) and handing the last ones to the kernel overlap. On a RAM disk, and
// in the page cache alike, the kernel's cost of taking the bytes is close to the decoder's own,
// so the wait a user sees becomes about the larger of the two rather than their sum.
//
// The caller fills one buffer at a time; a full one is queued and a free one taken, so memory
// stays at BUFFER_COUNT buffers. When none is free and the thread has not got to the oldest
// queued one (a busy machine gives it no processor), the caller writes that one itself rather
// than sleep: the thread speeds the caller up where it can, and never holds it up. The bytes of a file reach it
// in the order they were appended. A file whose bytes fit in one buffer is written by the
// caller itself at finish(), in one call, without waking the thread.
//
// A job queued after a file's bytes (its stamping and naming, for a commit that does not wait)
// runs once every byte before it is written, in order with the rest.
//
// Used by one caller thread; the writer thread starts with the first queued buffer and ends
// with the pipeline. It blocks the signals the writer's cleanup handles, so they reach the
// caller's threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "installer/platform/file_digest.h"
#include "installer/platform/output_writer.h"

namespace platform {

// One file's side of the pipeline, owned by the caller and kept alive until finish() or
// drop() returned.
struct PipelineTarget {
  int fd = -1;
  Sha256* digest = nullptr;   // fed every byte written, in order, when set
  std::atomic<int> error{0};  // the errno of the first failed write; nothing more is written
  bool queued = false;        // some of its bytes went to the thread (caller only)
};

class WritePipeline {
 public:
  static constexpr size_t BUFFER_SIZE = 256 * 1024;
  static constexpr size_t BUFFER_COUNT = 4;

  explicit WritePipeline(OutputSyscalls syscalls);
  ~WritePipeline();  // waits for what is queued, then ends the thread
  WritePipeline(const WritePipeline&) = delete;
  WritePipeline& operator=(const WritePipeline&) = delete;

  // Takes a copy of `size` bytes for `target`. False when a write of the target has already
  // failed (target.error says why); the bytes are then not taken.
  bool append(PipelineTarget& target, const uint8_t* data, size_t size);

  // Writes what the target still has and waits until every byte of it is written. False with
  // target.error set when a write failed.
  bool finish(PipelineTarget& target);

  // Forgets the target's bytes not yet written and waits until the thread is done with it.
  void drop(PipelineTarget& target);

  // Queues what the target still has (however small), then `job(context)`, and returns without
  // waiting. The job runs on the writer thread (or on the caller's, when the thread has no
  // processor), whether the writes succeeded or not (target.error says); from this call on the
  // target belongs to the job: no append, finish or drop.
  void finish_later(PipelineTarget& target, void (*job)(void*), void* context);

  // Runs `task` after every byte appended so far is written and before any appended later, in
  // order with the queued jobs, without waiting: on the writer thread, or at once on the
  // caller's when nothing is queued (or later, when the thread has no processor). The one
  // exception keeps a small file in one write: the bytes gathered of a file none of whose bytes
  // were queued yet (less than a buffer) may be written after the task.
  void run_in_order(std::function<void()> task);

  // Waits until `done` is true (a queued job sets it). The caller writes queued blocks itself
  // meanwhile when the thread has not started on them.
  void wait_for(const std::atomic<bool>& done);

  // Waits until every queued block and job is done.
  void wait_until_idle();

 private:
  struct Block {
    uint8_t* bytes = nullptr;  // null for a job
    size_t size = 0;
    PipelineTarget* target = nullptr;
    void (*job)(void*) = nullptr;
    void* context = nullptr;
  };

  static void run_task(void* context);  // a run_in_order() task, which it deletes
  void push(const Block& block);
  void queue_current();
  void take_free_buffer();
  bool write_oldest_here(std::unique_lock<std::mutex>& lock);
  Block take_oldest();
  void give_back(const Block& block);
  void write_block(const Block& block) const;
  void run();  // the thread

  OutputSyscalls syscalls_;
  Block current_;  // being filled by the caller
  std::vector<std::unique_ptr<uint8_t[]>> buffers_;  // allocated as they are first needed

  std::mutex mutex_;  // guards what follows
  std::condition_variable work_;  // the thread waits for blocks
  std::condition_variable done_;  // the caller waits for free buffers or an idle thread
  std::vector<Block> queue_;      // oldest first, at most BUFFER_COUNT - 1 of them with bytes
  std::vector<uint8_t*> free_;
  bool busy_ = false;             // a block is being written (by the thread or the caller)
  bool stopping_ = false;
  int caller_cpu_ = -1;           // where the caller queued its last block from
  std::thread thread_;
};

// Hands `size` bytes to `fd`, resuming short writes and interrupted calls. False with `*error`
// set on failure; a write that takes nothing counts as a full disk.
bool write_all(const OutputSyscalls& calls, int fd, const uint8_t* data, size_t size, int* error);

}  // namespace platform
