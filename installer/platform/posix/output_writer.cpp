#include "installer/platform/output_writer.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "installer/platform/posix/write_pipeline.h"

namespace platform {

namespace {

constexpr size_t TEMP_NAME_SIZE = 32;

// The temporary files a signal must remove. A signal handler can reach nothing but this
// process-wide table; a slot is armed before its file is created and disarmed after the rename,
// so that the handler's unlink either removes the temporary file or finds no such name.
struct SignalSlot {
  std::atomic<int> armed{0};
  int folder = -1;
  char name[TEMP_NAME_SIZE] = {};
};
constexpr int SIGNAL_SLOTS = 16;
SignalSlot signal_slots[SIGNAL_SLOTS];
std::atomic<int> signal_exit_status{2};

int claim_signal_slot(int folder, const char* name) {
  for (int i = 0; i < SIGNAL_SLOTS; ++i) {
    int expected = 0;
    // 2 marks a slot being filled: the handler skips it until it is armed (1).
    if (!signal_slots[i].armed.compare_exchange_strong(expected, 2)) continue;
    signal_slots[i].folder = folder;
    std::memcpy(signal_slots[i].name, name, TEMP_NAME_SIZE);
    signal_slots[i].armed.store(1);
    return i;
  }
  return -1;  // more pending files than slots: those are left to the ordinary discard
}

void release_signal_slot(int slot) {
  if (slot >= 0) signal_slots[slot].armed.store(0);
}

// A temporary file is created between a slot's arming and the end of its openat; a handler on
// another thread that looked at the slots in the meantime would miss it. The handler waits for
// creations under way (they run with the cleanup signals blocked, so never under the handler
// on their own thread), and a creation that starts once the process is exiting never happens.
std::atomic<int> creations_under_way{0};
std::atomic<bool> exiting_on_signal{false};

extern "C" void remove_pending_and_exit(int) {
  exiting_on_signal.store(true);
  while (creations_under_way.load() != 0) {
  }
  for (SignalSlot& slot : signal_slots)
    if (slot.armed.load() == 1) unlinkat(slot.folder, slot.name, 0);
  _exit(signal_exit_status.load());
}

// Holds the cleanup signals off this thread while a temporary file comes into being.
class CreationGuard {
 public:
  CreationGuard() {
    const sigset_t blocked = cleanup_signals();
    pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
    creations_under_way.fetch_add(1);
    if (exiting_on_signal.load()) {
      creations_under_way.fetch_sub(1);
      for (;;) pause();  // another thread's handler ends the process
    }
  }
  ~CreationGuard() {
    creations_under_way.fetch_sub(1);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t previous_;
};

// ".vexa-" and 16 characters from the kernel's random source: unpredictable and hidden.
void make_temp_name(char (&name)[TEMP_NAME_SIZE]) {
  static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
  uint8_t bytes[16] = {};
  if (getrandom(bytes, sizeof bytes, 0) != ssize_t(sizeof bytes)) {
    // No random source: the exclusive create still keeps the name from being taken over.
    uint64_t mix = uint64_t(getpid()) * 0x9E3779B97F4A7C15ull ^ uint64_t(uintptr_t(&name));
    for (uint8_t& b : bytes) b = uint8_t(mix >>= 3);
  }
  std::memcpy(name, ".vexa-", 6);
  for (int i = 0; i < 16; ++i) name[6 + i] = alphabet[bytes[i] & 63];
  std::memcpy(name + 22, ".part", 6);
}

bool safe_component(const std::string& part) {
  return !part.empty() && part != "." && part != ".." && part.find('\0') == std::string::npos;
}

}  // namespace

bool split_relative_path(const std::string& relative, std::string* folder, std::string* name) {
  size_t start = 0;
  for (;;) {
    size_t slash = relative.find('/', start);
    if (!safe_component(relative.substr(start, slash - start))) return false;
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  size_t last = relative.rfind('/');
  *folder = last == std::string::npos ? std::string() : relative.substr(0, last);
  *name = relative.substr(last == std::string::npos ? 0 : last + 1);
  return true;
}

int open_folder_below(int root, const std::string& folder, bool create, OutputFailure* failure) {
  int at = dup(root);
  if (at < 0) return *failure = {OutputStep::Folder, errno, folder}, -1;
  size_t start = 0;
  while (start < folder.size()) {
    size_t slash = folder.find('/', start);
    if (slash == std::string::npos) slash = folder.size();
    std::string part = folder.substr(start, slash - start);
    std::string so_far = folder.substr(0, slash);
    if (create && mkdirat(at, part.c_str(), 0777) != 0 && errno != EEXIST) {
      int error = errno;
      close(at);
      return *failure = {OutputStep::Folder, error, so_far}, -1;
    }
    int next = openat(at, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    int error = errno;
    struct stat info;
    bool is_link = next < 0 && fstatat(at, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                   S_ISLNK(info.st_mode);
    close(at);
    if (is_link) return *failure = {OutputStep::FolderIsLink, 0, so_far}, -1;
    if (next < 0) return *failure = {OutputStep::Folder, error, so_far}, -1;
    at = next;
    start = slash + 1;
  }
  return at;
}

namespace {

ssize_t system_write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int system_fsync(int fd) { return ::fsync(fd); }

}  // namespace

struct OutputWriter::Pending {
  int fd = -1;
  int folder = -1;  // its own handle on the final folder, for the rename and the cleanup
  int slot = -1;
  std::string relative;
  std::string name;
  char temp[TEMP_NAME_SIZE] = {};
  bool replacing = false;  // an earlier file is at stake: make the new one durable first
  uint8_t head[4] = {};
  size_t head_size = 0;
  uint64_t handed = 0;  // bytes given to write() so far
  std::unique_ptr<Sha256> digest;  // with OutputOptions::digest
  PipelineTarget target;
  // A commit_later(): what the writer thread is to do and what came of it (read once `done`).
  OutputWriter* owner = nullptr;
  OutputStamp stamp;
  WrittenFile* written = nullptr;
  bool committed = false;
  OutputFailure outcome;
  std::atomic<bool> done{false};
};

OutputSyscalls system_output_syscalls() { return {system_write, system_fsync}; }

OutputWriter::OutputWriter(OutputOptions options, OutputSyscalls syscalls)
    : options_(options), syscalls_(syscalls), pipeline_(std::make_unique<WritePipeline>(syscalls)) {}

OutputWriter::~OutputWriter() {
  while (!pending_.empty()) discard(pending_.back()->fd);
  settle();  // nobody is left to hear of a failure: callers settle before they report success
  if (cached_fd_ >= 0) close(cached_fd_);
  if (destination_ >= 0) close(destination_);
}

void OutputWriter::fail(OutputStep step, int error, const std::string& name) {
  failure_ = {step, error, name};
}

bool OutputWriter::open_destination(const std::string& path, bool create) {
  if (destination_ >= 0) close(destination_);
  if (cached_fd_ >= 0) close(cached_fd_);
  cached_fd_ = -1;
  cached_folder_.clear();
  destination_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (destination_ < 0 && errno == ENOENT && create) {
    // Parents first; an existing one is fine, anything else shows in the final open.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
      mkdir(path.substr(0, slash).c_str(), 0777);
    mkdir(path.c_str(), 0777);
    destination_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  if (destination_ < 0) fail(OutputStep::Destination, errno, path);
  return destination_ >= 0;
}

// Walks `folder` from the destination, one component at a time, never following a link.
bool OutputWriter::open_folder(const std::string& folder, bool create, int* fd) {
  if (folder == cached_folder_ && cached_fd_ >= 0) {
    *fd = cached_fd_;
    return true;
  }
  int at = open_folder_below(destination_, folder, create, &failure_);
  if (at < 0) return false;
  if (cached_fd_ >= 0) close(cached_fd_);
  cached_fd_ = at;
  cached_folder_ = folder;
  *fd = at;
  return true;
}

int OutputWriter::begin(const std::string& relative) {
  std::string folder, name;
  if (destination_ < 0) return fail(OutputStep::Destination, EBADF, relative), -1;
  if (!split_relative_path(relative, &folder, &name)) return fail(OutputStep::Create, EINVAL, relative), -1;
  wait_for_commit_at(relative);
  if (!reap_later_commits()) return -1;
  int folder_fd;
  if (!open_folder(folder, true, &folder_fd)) return -1;
  long longest = fpathconf(folder_fd, _PC_NAME_MAX);
  if (longest > 0 && name.size() > size_t(longest)) return fail(OutputStep::Create, ENAMETOOLONG, relative), -1;
  struct stat info;
  bool exists = fstatat(folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && S_ISDIR(info.st_mode)) return fail(OutputStep::Create, EISDIR, relative), -1;
  if (exists && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0 && !options_.replace_read_only)
    return fail(OutputStep::Create, EACCES, relative), -1;

  auto* file = new Pending;
  file->relative = relative;
  file->name = name;
  file->replacing = exists && S_ISREG(info.st_mode);
  file->folder = dup(folder_fd);
  for (int attempt = 0; attempt < 8 && file->folder >= 0 && file->fd < 0; ++attempt) {
    make_temp_name(file->temp);
    int error;
    {
      CreationGuard guard;
      file->slot = claim_signal_slot(file->folder, file->temp);
      file->fd = openat(file->folder, file->temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      error = errno;
    }
    if (file->fd < 0) release_signal_slot(file->slot), file->slot = -1;
    errno = error;
    if (file->fd < 0 && error != EEXIST) break;
  }
  if (file->fd < 0) {
    fail(OutputStep::Create, errno, relative);
    if (file->folder >= 0) close(file->folder);
    delete file;
    return -1;
  }
  file->target.fd = file->fd;
  if (options_.digest) {
    file->digest = std::make_unique<Sha256>();
    file->target.digest = file->digest.get();
  }
  pending_.push_back(file);
  return file->fd;
}

OutputWriter::Pending* OutputWriter::find(int handle) {
  for (Pending* file : pending_)
    if (file->fd == handle) return file;
  return nullptr;
}

bool OutputWriter::owns(int handle) const {
  for (const Pending* file : pending_)
    if (file->fd == handle) return true;
  return false;
}

bool OutputWriter::write(int handle, const void* data, size_t size) {
  Pending* file = find(handle);
  if (!file) return fail(OutputStep::Write, EBADF, std::string()), false;
  if (!later_.empty() && !reap_later_commits()) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (file->head_size < sizeof file->head) {  // the first bytes tell a program
    size_t take = std::min(sizeof file->head - file->head_size, size);
    std::memcpy(file->head + file->head_size, bytes, take);
    file->head_size += take;
  }
  file->handed += size;
  if (pipeline_->append(file->target, bytes, size)) return true;
  // An earlier write of this file failed on the writer thread: it is reported here, at its file.
  fail(OutputStep::Write, file->target.error.load(), file->relative);
  return false;
}

void OutputWriter::close_pending(Pending& file, bool remove) {
  if (file.fd >= 0) pipeline_->drop(file.target);  // the writer thread lets go of the descriptor first
  std::erase(pending_, &file);
  release(&file, remove);
}

// Closes what is left of a file the writer thread is done with, removing its temporary file
// when it did not take its name.
void OutputWriter::release(Pending* file, bool remove) {
  if (file->fd >= 0) close(file->fd);
  if (remove) unlinkat(file->folder, file->temp, 0);
  release_signal_slot(file->slot);
  close(file->folder);
  delete file;
}

// Stamps a file whose bytes are all written and renames it over its final name. Touches only
// the file and the system calls: it runs on the caller's thread (commit) or the writer's
// (commit_later).
bool OutputWriter::finish_file(Pending& file, const OutputStamp& stamp, OutputFailure* failure) const {
  struct stat info;
  if (fstat(file.fd, &info) == 0) {
    mode_t mode = info.st_mode & 07777;
    bool program = (file.head_size == 4 && std::memcmp(file.head, "\x7f" "ELF", 4) == 0) ||
                   (file.head_size >= 2 && file.head[0] == '#' && file.head[1] == '!');
    if (program) mode |= (mode & 0444) >> 2;
    if (stamp.read_only) mode &= ~mode_t(0222);
    if (stamp.has_time) {
      struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(stamp.modified), 0}};
      futimens(file.fd, times);  // a time that cannot be set leaves the file's own
    }
    fchmod(file.fd, mode);
  }
  if (file.replacing && syscalls_.fsync(file.fd) != 0) return *failure = {OutputStep::Write, errno, file.relative}, false;
  int fd = file.fd;
  file.fd = -1;
  // Some file systems report a failed write only at close.
  if (close(fd) != 0 && errno != EINTR) return *failure = {OutputStep::Write, errno, file.relative}, false;
  if (renameat(file.folder, file.temp, file.folder, file.name.c_str()) != 0)
    return *failure = {OutputStep::Write, errno, file.relative}, false;
  return true;
}

bool OutputWriter::commit(int handle, const OutputStamp& stamp, WrittenFile* written) {
  Pending* file = find(handle);
  if (!file) return fail(OutputStep::Write, EBADF, std::string()), false;
  if (!later_.empty() && !reap_later_commits()) {
    close_pending(*file, true);
    return false;
  }
  // Every byte is in the file before it is stamped, and its name is taken only after that.
  bool ok = pipeline_->finish(file->target);
  if (!ok) fail(OutputStep::Write, file->target.error.load(), file->relative);
  if (ok && written) *written = {file->handed, file->digest ? file->digest->hex() : std::string()};
  if (ok) ok = finish_file(*file, stamp, &failure_);
  close_pending(*file, !ok);
  return ok;
}

bool OutputWriter::commit_later(int handle, const OutputStamp& stamp, WrittenFile* written) {
  Pending* file = find(handle);
  if (!file) return fail(OutputStep::Write, EBADF, std::string()), false;
  if (later_.size() >= MAX_LATER_COMMITS) pipeline_->wait_for(later_.front()->done);
  if (!reap_later_commits() || later_failed_.load(std::memory_order_acquire)) {
    if (later_failure_.step != OutputStep::None) failure_ = later_failure_;
    close_pending(*file, true);
    return false;
  }
  file->owner = this;
  file->stamp = stamp;
  file->written = written;
  std::erase(pending_, file);
  later_.push_back(file);
  pipeline_->finish_later(file->target, run_later_commit, file);
  return true;
}

// On the writer thread, after every byte of the file. After a failure the files behind it are
// left unnamed (their outcome stays None: the failure is the earlier one's).
void OutputWriter::run_later_commit(void* context) {
  Pending& file = *static_cast<Pending*>(context);
  std::atomic<bool>& failed = file.owner->later_failed_;
  if (failed.load(std::memory_order_acquire)) {
    // left as it is
  } else if (int error = file.target.error.load(std::memory_order_acquire); error != 0) {
    file.outcome = {OutputStep::Write, error, file.relative};
  } else {
    file.committed = file.owner->finish_file(file, file.stamp, &file.outcome);
    if (file.committed && file.written)
      *file.written = {file.handed, file.digest ? file.digest->hex() : std::string()};
  }
  if (!file.committed) failed.store(true, std::memory_order_release);
  file.done.store(true, std::memory_order_release);
}

// A commit under way at `relative`, or at a folder on its way, decides what is there.
void OutputWriter::wait_for_commit_at(const std::string& relative) {
  for (auto it = later_.rbegin(); it != later_.rend(); ++it)
    if (relative == (*it)->relative || relative.starts_with((*it)->relative + "/")) {
      pipeline_->wait_for((*it)->done);  // and, being in order, every one before it
      return;
    }
}

// Lets go of the finished commits, oldest first. False, with failure() set, when one failed
// among them.
bool OutputWriter::reap_later_commits() {
  bool ok = true;
  while (!later_.empty() && later_.front()->done.load(std::memory_order_acquire)) {
    Pending* file = later_.front();
    later_.erase(later_.begin());
    if (file->outcome.step != OutputStep::None && later_failure_.step == OutputStep::None)
      later_failure_ = file->outcome;  // the first failure speaks for the run
    if (!file->committed) failure_ = later_failure_, ok = false;
    release(file, !file->committed);
  }
  return ok;
}

bool OutputWriter::settle() {
  pipeline_->wait_until_idle();
  reap_later_commits();
  if (!later_failed_.load(std::memory_order_acquire)) return true;
  failure_ = later_failure_;
  return false;
}

void OutputWriter::run_in_order(std::function<void()> task) {
  if (options_.digest) return task();  // the writer's thread, hashing too, is the slower one
  pipeline_->run_in_order(std::move(task));
}

void OutputWriter::discard(int handle) {
  if (Pending* file = find(handle)) close_pending(*file, true);
}

bool OutputWriter::exists(const std::string& relative) {
  std::string folder, name;
  if (destination_ < 0 || !split_relative_path(relative, &folder, &name)) return false;
  wait_for_commit_at(relative);
  OutputFailure ignored;
  int at = open_folder_below(destination_, folder, false, &ignored);
  if (at < 0) return false;
  struct stat info;
  bool found = fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
  close(at);
  return found;
}

namespace {
constexpr int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
}  // namespace

sigset_t cleanup_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : CLEANUP_SIGNALS) sigaddset(&set, signal);
  return set;
}

void cancel_outputs_on_signals(int status) {
  signal_exit_status.store(status);
  struct sigaction action{};
  action.sa_handler = remove_pending_and_exit;
  action.sa_mask = cleanup_signals();
  for (int signal : CLEANUP_SIGNALS) sigaction(signal, &action, nullptr);
}

}  // namespace platform
