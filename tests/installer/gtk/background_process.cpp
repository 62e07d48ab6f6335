#include "background_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "installer_test_support.h"

namespace testsupport {

BackgroundProcess::BackgroundProcess(const std::string& program, const std::string& directory,
                                     const std::vector<std::string>& environment, const std::string& input) {
  char path[] = "/tmp/kv-output-XXXXXX";
  int out = mkstemp(path);
  if (out < 0) return;
  output_path_ = path;
  char input_path[] = "/tmp/kv-input-XXXXXX";
  int in = mkstemp(input_path);
  if (in < 0 || write(in, input.data(), input.size()) != ssize_t(input.size())) return;
  close(in);
  input_path_ = input_path;
  std::vector<std::string> env = child_environment(environment);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program_copy = program;
  char* argv[] = {program_copy.data(), nullptr};
  pid_ = fork();
  if (pid_ == 0) {
    int null = open(input_path_.c_str(), O_RDONLY);
    dup2(null, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  close(out);
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0 && !ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!output_path_.empty()) unlink(output_path_.c_str());
  if (!input_path_.empty()) unlink(input_path_.c_str());
}

void BackgroundProcess::send_signal(int signal) {
  if (pid_ > 0 && !ended_) kill(pid_, signal);
}

bool BackgroundProcess::running() {
  if (pid_ <= 0 || ended_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  ended_ = true;
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

int BackgroundProcess::wait(double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
  while (running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return ended_ ? exit_code_ : -1;
}

std::string BackgroundProcess::output() const {
  std::ifstream in(output_path_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace testsupport
