// The one way extracted files reach the disk, for the installer and vexacab alike.
//
// Every file is written to a new hidden temporary file with an unpredictable name, created
// exclusively in its final folder, and renamed over its final name only once all its bytes
// arrived and it is stamped. Whatever happens before that (a failed write, a damaged block, an
// abort, a signal), the final name keeps its earlier content, and the temporary file is removed.
//
// Folders are reached relative to an open handle of the destination, component by component,
// never through a symbolic link below it: a folder on the way that is a link is refused, a final
// name that is a link is replaced (the link, never its target). The destination itself may be a
// link: the user chose it.
//
// One writer is used by one thread; it hands the bytes of large files to the kernel on a second
// thread of its own, so that the caller produces the next bytes meanwhile. A failed write there
// is reported by the next write() or the commit() of the same file. commit_later() hands the
// whole end of a file to that thread, small files included; what goes wrong there is reported
// by the next call, naming that file, and settle() is the last word. Handles are the temporary
// files' descriptors: ints >= 0, distinct from every other open descriptor, -1 on failure with
// the reason in failure().
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The step that failed, so that the one place that reports can say it in the user's words.
enum class OutputStep {
  None,
  Destination,   // the destination cannot be opened or created, or is not a folder
  Folder,        // a folder on the way cannot be created or opened
  FolderIsLink,  // a folder on the way is a symbolic link
  Create,        // the file cannot be created (name too long, permission, a folder in the way)
  Write,         // a write, the flush or the final rename failed (disk full, I/O error)
};

struct OutputFailure {
  OutputStep step = OutputStep::None;
  int error = 0;     // the errno value behind it, 0 for FolderIsLink
  std::string name;  // relative to the destination: the folder or the file concerned
};

// The system calls that move an output's bytes. Tests swap them to inject faults (ENOSPC at the
// n-th write, short writes); both follow write(2) and fsync(2): -1 with errno set on failure.
// They may be called from the writer's thread, never from two threads at once.
struct OutputSyscalls {
  ssize_t (*write)(int fd, const void* data, size_t size);
  int (*fsync)(int fd);
};
OutputSyscalls system_output_syscalls();

// What a finished file gets before it takes its name.
struct OutputStamp {
  bool has_time = false;
  int64_t modified = 0;    // seconds since the epoch; the access time is left alone
  bool read_only = false;  // clears every write bit
};

struct OutputOptions {
  // An existing file without any write bit is replaced too; otherwise begin() refuses it with
  // EACCES, as opening it for writing would.
  bool replace_read_only = false;
  // Each file's SHA-256 is taken from its bytes as they are written (commit reports it), so
  // that nobody has to read the file back.
  bool digest = false;
};

// What commit() reports of a finished file.
struct WrittenFile {
  uint64_t size = 0;
  std::string sha256;  // 64 hexadecimal digits with OutputOptions::digest, else empty
};

class WritePipeline;

class OutputWriter {
 public:
  explicit OutputWriter(OutputOptions options = {}, OutputSyscalls syscalls = system_output_syscalls());
  ~OutputWriter();  // discards every pending file and closes every handle
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // Opens the destination (following links in `path` itself); with `create`, missing folders
  // are made first. False with failure() set when it is missing or not a folder.
  bool open_destination(const std::string& path, bool create);

  // Starts the file `relative`: components separated by '/', none empty, "." or ".." (the
  // caller has made the name safe; such a name is refused with EINVAL). Missing folders are
  // made. Returns the handle, or -1 with failure() set.
  int begin(const std::string& relative);
  bool owns(int handle) const;

  // Appends a copy of the bytes; they are gathered into writes of 256 KiB (a file up to that
  // size takes one call, from this thread), and a larger file's go to it on the writer thread
  // while the caller goes on. False on failure, this write's or an earlier one of the same
  // file: the file is still pending, and the caller discards it.
  bool write(int handle, const void* data, size_t size);

  // Waits until every byte of the file is written, stamps it (time, then mode: umask-based,
  // the execute bits for content that starts with "\x7f" "ELF" or "#!", no write bits when
  // read-only) and renames it over its final name; fills `written` when given. The handle is
  // gone afterwards; on failure the temporary file is removed and the final name is untouched.
  bool commit(int handle, const OutputStamp& stamp, WrittenFile* written = nullptr);

  // As commit(), without waiting: the file is written, stamped and renamed on the writer thread
  // while the caller goes on; the handle is gone at once. A failure there (with its file's name
  // in failure()) is reported instead by the next begin(), write(), commit(), commit_later() or
  // settle(), which then fails; the file's temporary file is removed and its final name is
  // untouched, as with commit(). A run stops at its first failure: the commits handed over after
  // the failed one do not take their names either, and commit_later() refuses every file from
  // then on, reporting that failure again. begin() and exists() of a name whose commit is under
  // way, or of a name below it, wait for that commit first, so they see what commit() would
  // have left. At most MAX_LATER_COMMITS are under way: a further one waits for the oldest.
  // `written`, when given, is filled on the writer thread once the file has its name (and
  // left as it is when it does not); the caller keeps it alive and reads it after settle().
  bool commit_later(int handle, const OutputStamp& stamp, WrittenFile* written = nullptr);
  static constexpr size_t MAX_LATER_COMMITS = 8;

  // Waits for every commit under way. False, with failure() naming the first, when a
  // commit_later() failed. A caller that used commit_later() settles before it reports success.
  bool settle();

  // Waits until no commit under way concerns `relative` (that name, or a folder on its way),
  // for a caller that looks at the disk itself.
  void wait_for_commit_at(const std::string& relative);

  // Runs `task` after the bytes handed to write() so far are written and before any handed
  // over later, in order with the commits, without waiting for it: on the writer thread (at
  // once on this one when nothing is under way). A report of progress moves with the bytes
  // landing, and its waits hold up the writes rather than what produces the next bytes. The
  // bytes of a file not yet past its first 256 KiB may land after the task: a small file is
  // still written in one call. With OutputOptions::digest the writer's thread, hashing every
  // byte, is the slower one: the task then runs at once on this thread, ahead of the bytes
  // still under way.
  void run_in_order(std::function<void()> task);

  // Removes the temporary file; the final name is untouched. Unknown handles are ignored.
  void discard(int handle);

  // True when something (a file, a folder, a link) exists under `relative`, looked at without
  // following links below the destination.
  bool exists(const std::string& relative);

  const OutputFailure& failure() const { return failure_; }

 private:
  struct Pending;
  Pending* find(int handle);
  bool open_folder(const std::string& folder, bool create, int* fd);
  void fail(OutputStep step, int error, const std::string& name);
  void close_pending(Pending& file, bool remove);
  void release(Pending* file, bool remove);
  bool finish_file(Pending& file, const OutputStamp& stamp, OutputFailure* failure) const;
  static void run_later_commit(void* context);
  bool reap_later_commits();

  OutputOptions options_;
  OutputSyscalls syscalls_;
  int destination_ = -1;
  std::string cached_folder_;  // the last folder reached, with its handle
  int cached_fd_ = -1;
  std::vector<Pending*> pending_;
  std::vector<Pending*> later_;  // handed to commit_later(), oldest first, until reaped
  std::atomic<bool> later_failed_{false};  // set by the writer thread's first failed commit
  OutputFailure later_failure_;            // that failure, once reaped
  std::unique_ptr<WritePipeline> pipeline_;
  OutputFailure failure_;
};

// The containment rule, shared by the writer and the uninstaller: walks `folder` (relative,
// '/'-separated, "" for `root` itself) from the open handle `root` one component at a time,
// never following a symbolic link; with `create`, missing levels are made. The new handle, or
// -1 with `failure` set (FolderIsLink for a link on the way).
int open_folder_below(int root, const std::string& folder, bool create, OutputFailure* failure);

// Splits "a/b/c" into "a/b" and "c"; false when a component is empty, "." or "..".
bool split_relative_path(const std::string& relative, std::string* folder, std::string* name);

// The signals that end a run and take its pending outputs with them: an interrupt, a
// termination, a hang-up, and a write to a pipe whose reader went away (`| head`).
sigset_t cleanup_signals();

// From now on the cleanup signals remove the temporary file of every pending output of every
// writer in the process (completed files stay) and end the process with `status`.
void cancel_outputs_on_signals(int status);

}  // namespace platform
