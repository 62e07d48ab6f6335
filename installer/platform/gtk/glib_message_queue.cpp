#include "installer/platform/gtk/glib_message_queue.h"

namespace platform {

namespace {

// Sent messages go before posted ones, as on a window system; both come after the toolkit's
// layout and drawing, so that a stream of messages never starves the window's repaint.
constexpr int SENT_PRIORITY = G_PRIORITY_DEFAULT_IDLE - 10;
constexpr int POSTED_PRIORITY = G_PRIORITY_DEFAULT_IDLE;

}  // namespace

struct GlibMessageQueue::Pending {
  GlibMessageQueue* queue = nullptr;
  WindowMessage message;
  bool sent = false;
  bool running = false;  // its handling has begun: a quit no longer releases its sender
  bool handled = false;
  bool delivered = false;
  intptr_t result = 0;
  guint source = 0;
};

GlibMessageQueue::GlibMessageQueue() : loop_(g_main_loop_new(nullptr, FALSE)) {}

GlibMessageQueue::~GlibMessageQueue() {
  {
    std::lock_guard lock(mutex_);
    for (guint id : sources_) g_source_remove(id);
    sources_.clear();
  }
  g_main_loop_unref(loop_);
}

void GlibMessageQueue::enqueue(const std::shared_ptr<Pending>& pending) {
  auto* data = new std::shared_ptr<Pending>(pending);
  pending->source = g_idle_add_full(pending->sent ? SENT_PRIORITY : POSTED_PRIORITY, dispatch, data, forget);
  sources_.insert(pending->source);
}

void GlibMessageQueue::forget(gpointer data) { delete static_cast<std::shared_ptr<Pending>*>(data); }

gboolean GlibMessageQueue::dispatch(gpointer data) {
  std::shared_ptr<Pending> pending = *static_cast<std::shared_ptr<Pending>*>(data);
  GlibMessageQueue& q = *pending->queue;
  std::unique_lock lock(q.mutex_);
  q.sources_.erase(pending->source);
  if (q.quitting_ || pending->handled) return G_SOURCE_REMOVE;
  if (!q.procedure_) {
    // A dialog's loop ran before the window's own: the message waits for the window.
    q.parked_.push_back(pending);
    return G_SOURCE_REMOVE;
  }
  const WindowProcedure* procedure = q.procedure_;
  pending->running = true;
  lock.unlock();
  intptr_t result = (*procedure)(pending->message);
  lock.lock();
  if (pending->sent) {
    pending->result = result;
    pending->delivered = true;
    pending->handled = true;
    q.handled_.notify_all();
  }
  return G_SOURCE_REMOVE;
}

void GlibMessageQueue::post(const WindowMessage& message) {
  std::lock_guard lock(mutex_);
  if (quitting_) return;
  auto pending = std::make_shared<Pending>();
  pending->queue = this;
  pending->message = message;
  enqueue(pending);
}

std::optional<intptr_t> GlibMessageQueue::send(const WindowMessage& message) {
  std::unique_lock lock(mutex_);
  if (quitting_) return std::nullopt;
  if (procedure_ && std::this_thread::get_id() == loop_thread_) {
    const WindowProcedure* procedure = procedure_;
    lock.unlock();
    return (*procedure)(message);
  }
  auto pending = std::make_shared<Pending>();
  pending->queue = this;
  pending->message = message;
  pending->sent = true;
  waiting_.insert(pending);
  enqueue(pending);
  handled_.wait(lock, [&] { return pending->handled; });
  waiting_.erase(pending);
  if (!pending->delivered) return std::nullopt;
  return pending->result;
}

int GlibMessageQueue::run(const WindowProcedure& procedure) {
  {
    std::lock_guard lock(mutex_);
    if (quitting_) return quit_code_;
    loop_thread_ = std::this_thread::get_id();
    procedure_ = &procedure;
    for (const std::shared_ptr<Pending>& pending : parked_) enqueue(pending);
    parked_.clear();
  }
  g_main_loop_run(loop_);
  std::lock_guard lock(mutex_);
  procedure_ = nullptr;
  release_waiting_senders();
  return quit_code_;
}

void GlibMessageQueue::post_quit(int code) {
  std::lock_guard lock(mutex_);
  if (quitting_) return;
  quitting_ = true;
  quit_code_ = code;
  release_waiting_senders();
  g_main_loop_quit(loop_);
}

void GlibMessageQueue::release_waiting_senders() {
  for (const std::shared_ptr<Pending>& pending : waiting_) {
    if (!pending->running) pending->handled = true;  // delivered stays false
  }
  parked_.clear();
  handled_.notify_all();
}

}  // namespace platform
