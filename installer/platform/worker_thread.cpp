#include "installer/platform/worker_thread.h"

#include <pthread.h>

#include <system_error>
#include <thread>

namespace platform {

struct WorkerThread::State {
  std::thread thread;
};

WorkerThread::WorkerThread() : state_(std::make_unique<State>()) {}

WorkerThread::~WorkerThread() { join(); }

bool WorkerThread::start(std::function<void()> body) {
  if (state_->thread.joinable()) return false;
  try {
    state_->thread = std::thread([body = std::move(body)] {
      pthread_setname_np(pthread_self(), "vexa-worker");  // as ps, top and debuggers show it
      body();
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool WorkerThread::started() const { return state_->thread.joinable(); }

void WorkerThread::join() {
  if (state_->thread.joinable()) state_->thread.join();
}

}  // namespace platform
