#include "xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv::test {

namespace {

constexpr int kReadyTimeoutMs = 20000;

void stop(pid_t& server, int signal_number) {
  if (server <= 0) return;
  kill(server, signal_number);
  waitpid(server, nullptr, 0);
  server = -1;
}

}  // namespace

XvfbServer::XvfbServer(const std::string& screen) {
  int ready[2];
  if (pipe(ready) != 0) return;
  server_ = fork();
  if (server_ == 0) {
    close(ready[0]);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::string fd = std::to_string(ready[1]);
    // -noreset: the server keeps its state (the pointer) between clients.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ready[1]);
  if (server_ < 0) {
    close(ready[0]);
    return;
  }
  std::string number;
  pollfd p{ready[0], POLLIN, 0};
  char c;
  while (poll(&p, 1, kReadyTimeoutMs) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (!number.empty()) name_ = ":" + number;
}

XvfbServer::~XvfbServer() { stop(server_, SIGTERM); }

void XvfbServer::kill_now() { stop(server_, SIGKILL); }

}  // namespace kv::test
