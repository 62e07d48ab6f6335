#include "installer/platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform {

namespace {

std::vector<char*> argument_vector(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(path.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// The child gets /dev/null for its standard streams so that it holds no pipe of ours.
pid_t spawn(const std::string& path, const std::vector<std::string>& arguments,
            const std::string& directory, bool new_session) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  for (int fd = 0; fd < 3; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  if (new_session) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char*> argv = argument_vector(path, arguments);
  pid_t pid = -1;
  int failure = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return failure == 0 ? pid : -1;
}

}  // namespace

std::string executable_path() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, size_t(n));
}

int last_error() { return errno; }

std::string error_text(int code) {
  char buffer[256];
  return strerror_r(code, buffer, sizeof buffer);
}

std::optional<std::string> environment(const char* name) {
  const char* value = getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

bool running_as_root() { return geteuid() == 0; }

bool start_program(const std::string& path, const std::vector<std::string>& arguments,
                   const std::string& directory) {
  return spawn(path, arguments, directory, true) > 0;
}

int run_program(const std::string& path, const std::vector<std::string>& arguments) {
  pid_t pid = spawn(path, arguments, {}, false);
  if (pid <= 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string find_program(const std::string& name) {
  std::optional<std::string> path = environment("PATH");
  std::string list = path ? *path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string folder = list.substr(start, end - start);
    if (!folder.empty()) {
      std::string candidate = folder + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace platform
