#include "tests/game/e2e/game_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kv::test {

namespace fs = std::filesystem;

namespace {

const char* const kProgramFiles[] = {"Kestrovan", "fire.wav", "hit.wav", "Inv1.wav", "Inv2.wav", "Inv3.wav",
                                     "Inv4.wav", "InvHit.wav", "Start.wav", "ufo.wav", "UfoHit.wav",
                                     "Kestrovan.png"};

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<char*> a, e;
  for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
  a.push_back(nullptr);
  for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
  e.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, a[0], nullptr, nullptr, a.data(), e.data()) != 0) return -1;
  return pid;
}

std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
  std::vector<std::string> env;
  for (char** p = environ; *p; ++p) {
    std::string var = *p;
    std::string key = var.substr(0, var.find('='));
    bool replaced = false;
    for (const std::string& o : overrides) replaced |= o.substr(0, o.find('=')) == key;
    if (!replaced) env.push_back(var);
  }
  env.insert(env.end(), overrides.begin(), overrides.end());
  return env;
}

}  // namespace

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

GameProcess::GameProcess() : traceName_("trace.txt") {
  std::error_code ec;
  for (const char* name : kProgramFiles)
    fs::copy_file(fs::path(KV_BIN_DIR) / name, fs::path(folder_.path()) / name, ec);
}

GameProcess::~GameProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    kill(pid_, SIGCONT);
    waitpid(pid_, nullptr, 0);
  }
}

bool GameProcess::Start(const std::string& display, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env = {"DISPLAY=" + display, "KESTROVAN_TRACE=" + scratch_.path() + "/" + traceName_,
                                  // No audio output: the game runs silent, the same on every machine.
                                  "SDL_AUDIODRIVER=none", "GTK_A11Y=none", "NO_AT_BRIDGE=1"};
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  pid_ = Spawn({folder_.path() + "/Kestrovan"}, Environment(env));
  return pid_ > 0;
}

bool GameProcess::Snapshot() {
  if (pid_ <= 0) return false;
  kill(pid_, SIGUSR1);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG | WUNTRACED);
    if (r == pid_ && WIFSTOPPED(status)) return true;
    if (r == pid_) {
      pid_ = -1;  // it ended
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void GameProcess::Continue() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

void GameProcess::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

int GameProcess::WaitExit(int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

std::string GameProcess::Trace() const { return ReadFileText(scratch_.path() + "/" + traceName_); }

bool Xdotool(const std::string& display, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = Spawn(argv, Environment({"DISPLAY=" + display}));
  if (pid <= 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kv::test
