// A program running beside the test, its output collected in a file, for tests that act on
// its windows while it runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class BackgroundProcess {
 public:
  // Starts `program` in `directory` with the environment changed as run_process does it, and
  // `input` on its standard input.
  BackgroundProcess(const std::string& program, const std::string& directory,
                    const std::vector<std::string>& environment, const std::string& input = "");
  ~BackgroundProcess();  // kills it when it still runs
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  bool running();
  void send_signal(int signal);
  // Waits up to `seconds`; the exit code, or -1 when it did not end (or died by a signal).
  int wait(double seconds = 60);
  std::string output() const;

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int exit_code_ = -1;
  std::string output_path_;
  std::string input_path_;
};

}  // namespace testsupport
