#include "installer/platform/posix/write_pipeline.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace platform {

namespace {

// The caller wakes the writer at every buffer, and the kernel, finding no idle processor at
// once, wakes it on the caller's own: there it waits for the caller's time slice while another
// processor idles, and decoding and writing take turns instead of overlapping. So the writer
// keeps off the processor the caller last queued a block from, and moves when the caller has
// moved onto its own (the caller follows the threads it exchanges messages with). Nothing
// changes where only one processor is allowed.
class ProcessorApart {
 public:
  ProcessorApart() { usable_ = sched_getaffinity(0, sizeof allowed_, &allowed_) == 0 && CPU_COUNT(&allowed_) > 1; }

  void keep_off(int cpu) {
    if (!usable_ || cpu == avoided_ || cpu < 0 || !CPU_ISSET(cpu, &allowed_)) return;
    cpu_set_t others = allowed_;
    CPU_CLR(cpu, &others);
    sched_setaffinity(0, sizeof others, &others);  // a refusal leaves the thread where it may run
    avoided_ = cpu;
  }

 private:
  cpu_set_t allowed_;
  bool usable_ = false;
  int avoided_ = -1;
};

}  // namespace

bool write_all(const OutputSyscalls& calls, int fd, const uint8_t* data, size_t size, int* error) {
  while (size != 0) {
    ssize_t n = calls.write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? errno : ENOSPC;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

WritePipeline::WritePipeline(OutputSyscalls syscalls) : syscalls_(syscalls) {}

WritePipeline::~WritePipeline() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool WritePipeline::append(PipelineTarget& target, const uint8_t* data, size_t size) {
  if (target.error.load(std::memory_order_acquire) != 0) return false;
  if (current_.target != &target) queue_current();  // another file's bytes go first
  while (size != 0) {
    if (!current_.bytes) take_free_buffer();
    current_.target = &target;
    // A full buffer waits for the next bytes before it is queued: a file that fits exactly
    // is still written by finish() in one call.
    if (current_.size == BUFFER_SIZE) {
      queue_current();
      continue;
    }
    size_t take = std::min(BUFFER_SIZE - current_.size, size);
    std::memcpy(current_.bytes + current_.size, data, take);
    current_.size += take;
    data += take;
    size -= take;
  }
  return true;
}

bool WritePipeline::finish(PipelineTarget& target) {
  if (current_.target == &target && !target.queued) {
    wait_until_idle();  // the system calls are never made from two threads at once
    if (target.error.load(std::memory_order_acquire) == 0) write_block(current_);
    current_.size = 0;
    current_.target = nullptr;
  } else if (current_.target == &target) {
    queue_current();
  }
  if (target.queued) wait_until_idle();
  return target.error.load(std::memory_order_acquire) == 0;
}

void WritePipeline::drop(PipelineTarget& target) {
  if (current_.target == &target) {
    current_.size = 0;
    current_.target = nullptr;
  }
  int none = 0;
  target.error.compare_exchange_strong(none, ECANCELED);  // the thread skips what is queued
  if (target.queued) wait_until_idle();
}

void WritePipeline::finish_later(PipelineTarget& target, void (*job)(void*), void* context) {
  if (current_.target == &target) queue_current();
  push({.target = &target, .job = job, .context = context});
}

void WritePipeline::run_in_order(std::function<void()> task) {
  // The gathered bytes of a file that goes in several writes go before it; those of a file
  // still small enough for one write stay, so that it keeps its one call.
  if (current_.target && current_.target->queued) queue_current();
  bool idle;
  {
    std::lock_guard lock(mutex_);
    idle = queue_.empty() && !busy_;
  }
  // Idle, the thread stays so: only this thread queues.
  if (idle) return task();
  push({.job = run_task, .context = new std::function<void()>(std::move(task))});
}

void WritePipeline::run_task(void* context) {
  std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(context));
  (*task)();
}

void WritePipeline::wait_for(const std::atomic<bool>& done) {
  std::unique_lock lock(mutex_);
  while (!done.load(std::memory_order_acquire))
    if (!write_oldest_here(lock)) done_.wait(lock);
}

void WritePipeline::queue_current() {
  if (current_.size == 0) {
    current_.target = nullptr;  // an empty buffer stays for the next bytes, whoever's
    return;
  }
  assert(current_.target && current_.size <= BUFFER_SIZE);
  push(current_);
  current_.target->queued = true;
  current_ = {};
}

void WritePipeline::push(const Block& block) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(block);
    caller_cpu_ = sched_getcpu();
    if (!thread_.joinable()) {
      // Started with the cleanup signals blocked, which it inherits.
      const sigset_t blocked = cleanup_signals();
      sigset_t previous;
      pthread_sigmask(SIG_BLOCK, &blocked, &previous);
      thread_ = std::thread(&WritePipeline::run, this);
      pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
  }
  work_.notify_one();
}

void WritePipeline::take_free_buffer() {
  std::unique_lock lock(mutex_);
  if (free_.empty() && buffers_.size() < BUFFER_COUNT) {
    buffers_.push_back(std::make_unique_for_overwrite<uint8_t[]>(BUFFER_SIZE));
    current_.bytes = buffers_.back().get();
  } else {
    while (free_.empty())
      if (!write_oldest_here(lock)) done_.wait(lock);
    current_.bytes = free_.back();
    free_.pop_back();
  }
  current_.size = 0;
}

void WritePipeline::wait_until_idle() {
  std::unique_lock lock(mutex_);
  while (!queue_.empty() || busy_)
    if (!write_oldest_here(lock)) done_.wait(lock);
}

// When the thread has not taken the oldest block yet (it has not been given a processor: the
// machine is busy), the caller writes it instead of waiting for it; holding the turn (busy_)
// keeps the blocks in order and the system calls on one thread at a time.
bool WritePipeline::write_oldest_here(std::unique_lock<std::mutex>& lock) {
  if (busy_ || queue_.empty()) return false;
  Block block = take_oldest();
  lock.unlock();
  write_block(block);
  lock.lock();
  give_back(block);
  return true;
}

WritePipeline::Block WritePipeline::take_oldest() {
  Block block = queue_.front();
  queue_.erase(queue_.begin());
  busy_ = true;
  return block;
}

void WritePipeline::give_back(const Block& block) {
  busy_ = false;
  if (block.bytes) free_.push_back(block.bytes);
  done_.notify_all();
  work_.notify_one();  // the thread may have woken to a taken turn
}

void WritePipeline::write_block(const Block& block) const {
  if (block.job) return block.job(block.context);  // after every earlier block of its file
  PipelineTarget& target = *block.target;
  if (target.error.load(std::memory_order_acquire) != 0) return;  // failed or dropped
  int error = 0;
  if (!write_all(syscalls_, target.fd, block.bytes, block.size, &error)) {
    target.error.store(error, std::memory_order_release);
    return;
  }
  // Hashed while the bytes are still in this core's cache, instead of read back later.
  if (target.digest) target.digest->update(block.bytes, block.size);
}

void WritePipeline::run() {
  pthread_setname_np(pthread_self(), "vexa-writer");  // as ps, top and debuggers show it
  ProcessorApart apart;
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return (stopping_ && !busy_) || (!queue_.empty() && !busy_); });
    if (queue_.empty()) return;  // stopping, and everything queued is written
    Block block = take_oldest();
    const int caller_cpu = caller_cpu_;
    lock.unlock();
    apart.keep_off(caller_cpu);
    write_block(block);
    lock.lock();
    give_back(block);
  }
}

}  // namespace platform
