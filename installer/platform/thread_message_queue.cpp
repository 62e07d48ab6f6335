#include "installer/platform/thread_message_queue.h"

namespace platform {

HandOff* ThreadMessageQueue::wake_loop() {
  if (!loop_asleep_ || loop_signaled_) return nullptr;
  loop_signaled_ = true;
  return &loop_wake_;
}

void ThreadMessageQueue::post(const WindowMessage& message) {
  std::unique_lock lock(mutex_);
  if (quitting_) return;
  posted_storage_.push_back(Entry{message});
  entries_.push_back(&posted_storage_.back());
  HandOff* loop = wake_loop();
  lock.unlock();
  if (loop) loop->signal();
}

std::optional<intptr_t> ThreadMessageQueue::send(const WindowMessage& message) {
  std::unique_lock lock(mutex_);
  if (quitting_) return std::nullopt;
  if (procedure_ && std::this_thread::get_id() == loop_thread_) {
    const WindowProcedure* procedure = procedure_;
    lock.unlock();
    return (*procedure)(message);
  }
  Entry entry{message, &HandOff::of_this_thread()};
  entries_.push_front(&entry);  // sent messages go before posted ones, as a window system does
  HandOff* loop = wake_loop();
  lock.unlock();
  if (loop) loop->signal();
  // The one token for this entry comes once it has been handled, or the window is gone.
  entry.sender->wait();
  lock.lock();
  if (!entry.delivered) return std::nullopt;
  return entry.result;
}

ThreadMessageQueue::Taken ThreadMessageQueue::take_front() {
  Entry* entry = entries_.front();
  entries_.pop_front();
  Taken taken{entry->message, entry->sender ? entry : nullptr};
  // Posted entries leave the queue in order, so this one is the oldest in storage.
  if (!entry->sender) posted_storage_.pop_front();
  return taken;
}

int ThreadMessageQueue::run(const WindowProcedure& procedure) {
  std::unique_lock lock(mutex_);
  loop_thread_ = std::this_thread::get_id();
  procedure_ = &procedure;
  std::optional<Taken> next;
  for (;;) {
    if (!next) {
      if (quitting_) break;
      if (entries_.empty()) {
        loop_asleep_ = true;
        lock.unlock();
        loop_wake_.wait();
        lock.lock();
        loop_asleep_ = loop_signaled_ = false;  // the one token is taken
        continue;
      }
      next = take_front();
    }
    const Taken current = *next;
    next.reset();
    lock.unlock();
    intptr_t result = procedure(current.message);
    lock.lock();
    if (current.sent) {
      // Its sender is still waiting: even a quit during the handling leaves it alone.
      current.sent->result = result;
      current.sent->delivered = true;
      HandOff* sender = current.sent->sender;
      // The answer hands the processor to the sender, which may send again before this
      // thread runs: what is queued now (a close, an abort) is taken first, so that a sender
      // that keeps sending cannot hold it back until it stops.
      if (!quitting_ && !entries_.empty()) next = take_front();
      lock.unlock();
      sender->signal();
      lock.lock();
    }
  }
  release_waiting_senders();
  procedure_ = nullptr;
  return quit_code_;
}

void ThreadMessageQueue::post_quit(int code) {
  std::unique_lock lock(mutex_);
  if (quitting_) return;
  quitting_ = true;
  quit_code_ = code;
  release_waiting_senders();
  HandOff* loop = wake_loop();
  lock.unlock();
  if (loop) loop->signal();
}

void ThreadMessageQueue::release_waiting_senders() {
  for (Entry* entry : entries_)
    if (entry->sender) entry->sender->signal();  // delivered stays false
  entries_.clear();
  posted_storage_.clear();
}

}  // namespace platform
