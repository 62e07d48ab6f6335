#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "installer_test_support.h"

extern char** environ;

namespace testsupport {

std::vector<std::string> child_environment(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  for (const std::string& change : changes) {
    std::string name = change.substr(0, change.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
    if (change.size() > name.size()) env.push_back(change);
  }
  return env;
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& input, const std::string& directory,
                          const std::vector<std::string>& environment, int timeout_seconds) {
  std::vector<std::string> env = child_environment(environment);
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program_copy = program;
  argv.push_back(program_copy.data());
  std::vector<std::string> args = arguments;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(out_pipe[1], 2);
    if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  signal(SIGPIPE, SIG_IGN);
  // The answers are short: they fit the pipe, so writing them all first cannot block.
  if (!input.empty() && write(in_pipe[1], input.data(), input.size()) < 0) {}
  close(in_pipe[1]);

  ProcessResult result;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  char buffer[4096];
  for (;;) {
    int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) {
      kill(pid, SIGKILL);
      result.output += "\n[killed after timeout]";
      break;
    }
    pollfd fd{out_pipe[0], POLLIN, 0};
    if (poll(&fd, 1, left) <= 0) continue;
    ssize_t n = read(out_pipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, size_t(n));
  }
  close(out_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testsupport
