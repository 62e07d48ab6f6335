// A joinable thread for the installer's worker.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class WorkerThread {
 public:
  WorkerThread();
  ~WorkerThread();  // joins
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  bool start(std::function<void()> body);  // false when the thread could not be created
  bool started() const;
  void join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
