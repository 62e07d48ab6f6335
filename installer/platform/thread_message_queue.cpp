#include "installer/platform/thread_message_queue.h"

namespace platform {

void ThreadMessageQueue::post(const WindowMessage& message) {
  std::lock_guard lock(mutex_);
  if (quitting_) return;
  posted_storage_.push_back(Entry{message});
  entries_.push_back(&posted_storage_.back());
  changed_.notify_all();
}

std::optional<intptr_t> ThreadMessageQueue::send(const WindowMessage& message) {
  std::unique_lock lock(mutex_);
  if (quitting_) return std::nullopt;
  if (procedure_ && std::this_thread::get_id() == loop_thread_) {
    const WindowProcedure* procedure = procedure_;
    lock.unlock();
    return (*procedure)(message);
  }
  Entry entry{message, true};
  entries_.push_front(&entry);  // sent messages go before posted ones, as a window system does
  changed_.notify_all();
  changed_.wait(lock, [&] { return entry.handled; });
  if (!entry.delivered) return std::nullopt;
  return entry.result;
}

int ThreadMessageQueue::run(const WindowProcedure& procedure) {
  std::unique_lock lock(mutex_);
  loop_thread_ = std::this_thread::get_id();
  procedure_ = &procedure;
  while (!quitting_) {
    changed_.wait(lock, [&] { return quitting_ || !entries_.empty(); });
    if (quitting_) break;
    Entry* entry = entries_.front();
    entries_.pop_front();
    WindowMessage message = entry->message;
    if (!entry->sent) {
      // Posted entries leave the queue in order, so this one is the oldest in storage.
      posted_storage_.pop_front();
      entry = nullptr;
    }
    lock.unlock();
    intptr_t result = procedure(message);
    lock.lock();
    if (entry) {
      // Its sender is still waiting: even a quit during the handling leaves it alone.
      entry->result = result;
      entry->delivered = true;
      entry->handled = true;
      changed_.notify_all();
    }
  }
  release_waiting_senders();
  procedure_ = nullptr;
  return quit_code_;
}

void ThreadMessageQueue::post_quit(int code) {
  std::lock_guard lock(mutex_);
  if (quitting_) return;
  quitting_ = true;
  quit_code_ = code;
  release_waiting_senders();
}

void ThreadMessageQueue::release_waiting_senders() {
  for (Entry* entry : entries_) {
    if (entry->sent) entry->handled = true;  // delivered stays false
  }
  entries_.clear();
  posted_storage_.clear();
  changed_.notify_all();
}

}  // namespace platform
