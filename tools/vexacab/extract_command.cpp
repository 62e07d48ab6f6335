// vexacab extract and vexacab test: the whole set from its first cabinet on, every file or
// the ones chosen by patterns, to disk, to standard output or only named (dry run).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <set>

#include "commands.h"
#include "entry_filter.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/entry_name.h"
#include "posix_callbacks.h"
#include "progress.h"

namespace vexacab {

namespace {

enum class Output { Files, Pipe, DryRun, Discard, Count };

struct Run {
  Output output = Output::Files;
  EntryFilter filter{{}, false};
  Progress* progress = nullptr;
  std::string destination;  // with a trailing '/'
  std::string first_next;   // the next cabinet named by the current call's own cabinet
  bool opened = false;
  std::map<int, std::string> outputs;  // handle -> path
  std::string failure_name, failure_detail;  // a problem found by the client itself
  unsigned files = 0;
  uint64_t bytes = 0;
  uint32_t last_size = 0;  // of the file being written, for the progress line
};

bool make_folders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

int open_output(Run* run, const std::string& path) {
  if (!make_folders(path)) return -1;
  struct stat st;
  // Never write through a link that was lying there; replace it.
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(path.c_str());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EACCES && ::chmod(path.c_str(), 0644) == 0)
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    run->failure_name = "OutputFailed";
    run->failure_detail = "cannot create " + path + ": " + std::strerror(errno);
  }
  return fd;
}

bool is_program(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  unsigned char head[4] = {0};
  ssize_t n = ::read(fd, head, 4);
  ::close(fd);
  return (n == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
         (n >= 2 && head[0] == '#' && head[1] == '!');
}

void finish_output(const std::string& path, const CabNotification* n) {
  mode_t mode = is_program(path) ? 0755 : 0644;
  if (n->attributes & 0x01) mode &= ~mode_t(0222);
  ::chmod(path.c_str(), mode);
  std::time_t when;
  if (dos_date_time_to_unix(n->date, n->time, &when)) {
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }
}

std::string destination_path(Run* run, const CabNotification* n) {
  std::string relative = utf16_to_utf8(safe_entry_path(n->text1, n->attributes));
  if (relative.empty()) {
    run->failure_name = "CorruptData";
    run->failure_detail = "an entry has no usable name";
  }
  return relative.empty() ? relative : run->destination + relative;
}

int32_t begin_file(Run* run, CabNotification* n) {
  std::string name = matchable_name(utf16_to_utf8(decode_entry_name(n->text1, n->attributes)));
  if (!run->filter.chosen(name)) return 0;
  ++run->files;
  run->bytes += uint32_t(n->size);
  run->last_size = uint32_t(n->size);
  if (run->output == Output::Count) return 0;
  if (run->output == Output::Discard) return DISCARD_HANDLE;
  if (run->output == Output::Pipe) return STDOUT_FILENO;
  std::string path = destination_path(run, n);
  if (path.empty()) return -1;
  if (run->output == Output::DryRun) {
    struct stat st;
    bool exists = ::lstat(path.c_str(), &st) == 0;
    std::printf("%s (%u bytes%s)\n", printable(path).c_str(), uint32_t(n->size),
                exists ? ", replaces the file there" : "");
    return 0;
  }
  int fd = open_output(run, path);
  if (fd < 0) return -1;
  run->outputs[fd] = path;
  return fd;
}

int32_t on_notify(CabNotifyKind kind, CabNotification* n) {
  auto* run = static_cast<Run*>(n->user_data);
  switch (kind) {
    case CabinetOpened:
      if (!run->opened) run->first_next = n->text1;
      run->opened = true;
      return 0;
    case FileBegin:
      return begin_file(run, n);
    case FileEnd: {
      if (run->progress) run->progress->advance(run->last_size);
      if (n->file_handle == DISCARD_HANDLE || n->file_handle == STDOUT_FILENO) return 1;
      std::string path = run->outputs[n->file_handle];
      run->outputs.erase(n->file_handle);
      if (::close(n->file_handle) != 0) return 0;
      finish_output(path, n);
      return 1;
    }
    case CabinetNeeded:
      if (n->error == CabError::None) return 0;  // look beside the first cabinet, once
      run->failure_name = cab_error_name(n->error);
      run->failure_detail = std::string("next cabinet ") + n->text1 + " not usable in '" +
                            (n->text3[0] ? n->text3 : "./") + "'";
      return -1;
    default:
      return 0;
  }
}

int run_set(const std::string& cabinet, Run* run) {
  std::string directory, name;
  split_cabinet_path(cabinet, &directory, &name);
  CabErrorRecord error{};
  CabEngine* engine = create_engine(&error);
  int status = 0;
  std::set<std::string> visited;
  while (!name.empty()) {
    if (!visited.insert(name).second) {
      // A set whose names lead back to an earlier member would be walked forever.
      if (run->output != Output::Count) report("CorruptData", "the set leads back to " + directory + name);
      status = 1;
      break;
    }
    run->opened = false;
    run->first_next.clear();
    if (!cab_extract(engine, name.c_str(), directory.c_str(), 0, on_notify, nullptr, run)) {
      if (run->output == Output::Count) {
        // A count before the real walk, which reports the failure itself.
      } else if (!run->failure_name.empty()) {
        report(run->failure_name, run->failure_detail);
      } else {
        report(cab_error_name(error.code), directory + name);
      }
      status = 1;
      break;
    }
    name = run->first_next;
  }
  cab_destroy(engine);
  return status;
}

// The bytes the chosen files hold, from a walk that answers every FileBegin with "skip" and so
// reads no data block.
uint64_t chosen_bytes(const ExtractOptions& options) {
  Run count;
  count.output = Output::Count;
  count.filter = EntryFilter(options.patterns, options.ignore_case);
  return run_set(options.cabinet, &count) == 0 ? count.bytes : 0;
}

}  // namespace

int extract_set(const ExtractOptions& options) {
  if (refuse_unreadable(options.cabinet)) return 1;
  Run run;
  run.filter = EntryFilter(options.patterns, options.ignore_case);
  run.output = options.pipe ? Output::Pipe : options.dry_run ? Output::DryRun : Output::Files;
  run.destination = options.directory.back() == '/' ? options.directory : options.directory + "/";
  if (run.output == Output::Files && ::mkdir(options.directory.c_str(), 0755) != 0 && errno != EEXIST) {
    report("OutputFailed", "cannot create " + options.directory + ": " + std::strerror(errno));
    return 1;
  }
  std::FILE* terminal = run.output == Output::DryRun ? nullptr : progress_terminal();
  Progress progress("extracting", terminal ? chosen_bytes(options) : 0, terminal);
  run.progress = &progress;
  int status = run_set(options.cabinet, &run);
  progress.finish();
  for (const std::string& pattern : run.filter.unmatched()) {
    if (status == 0) report("NoMatch", "no file of " + options.cabinet + " matches '" + pattern + "'");
    status = 1;
  }
  if (status != 0) return status;
  // With -p standard output carries the files' bytes and nothing else.
  if (run.output == Output::Pipe) return 0;
  std::printf("%u files, %llu bytes %s\n", run.files, (unsigned long long)run.bytes,
              run.output == Output::DryRun ? "would be extracted" : "extracted");
  return 0;
}

int test_set(const std::string& cabinet) {
  if (refuse_unreadable(cabinet)) return 1;
  Run run;
  run.output = Output::Discard;
  int status = run_set(cabinet, &run);
  if (status == 0) std::printf("OK: %u files, %llu bytes\n", run.files, (unsigned long long)run.bytes);
  return status;
}

}  // namespace vexacab
