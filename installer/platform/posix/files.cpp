#include "installer/platform/files.h"
#include "installer/platform/output_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform {

namespace {

int open_flags(FileAccess access, FileDisposition disposition) {
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::Read: flags |= O_RDONLY; break;
    case FileAccess::Write: flags |= O_WRONLY; break;
    case FileAccess::ReadWrite: flags |= O_RDWR; break;
  }
  switch (disposition) {
    case FileDisposition::OpenExisting: break;
    case FileDisposition::TruncateExisting: flags |= O_TRUNC; break;
    case FileDisposition::OpenAlways: flags |= O_CREAT; break;
    case FileDisposition::CreateNew: flags |= O_CREAT | O_EXCL; break;
    case FileDisposition::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
  }
  return flags;
}

}  // namespace

int open_path(const std::string& path, FileAccess access, FileDisposition disposition) {
  if (access != FileAccess::Read) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) {
      errno = EACCES;
      return -1;
    }
  }
  return open(path.c_str(), open_flags(access, disposition), 0666);
}

int64_t read_file(int handle, void* buffer, uint32_t count) {
  uint8_t* at = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = read(handle, at + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += uint32_t(n);
  }
  return done;
}

int64_t write_file(int handle, const void* buffer, uint32_t count) {
  const uint8_t* at = static_cast<const uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = write(handle, at + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return done ? int64_t(done) : -1;
    done += uint32_t(n);
  }
  return done;
}

int64_t seek_position(int handle, int64_t offset, int origin) {
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0) {
    errno = EINVAL;
    return -1;
  }
  off_t position = lseek(handle, off_t(offset), whence);
  return position < 0 ? -1 : int64_t(position);
}

bool close_file(int handle) { return close(handle) == 0; }

bool path_exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool is_regular_file(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool is_directory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool is_executable_file(const std::string& path) {
  return is_regular_file(path) && access(path.c_str(), X_OK) == 0;
}

MakeDirectory make_directory(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0) return MakeDirectory::Created;
  return errno == EEXIST ? MakeDirectory::AlreadyExists : MakeDirectory::Failed;
}

bool remove_empty_directory(const std::string& path) { return rmdir(path.c_str()) == 0; }

bool change_directory(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0; }

std::string current_directory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool set_modification_time(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = time_t(seconds);
  times[1].tv_nsec = 0;
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool set_file_mode(const std::string& path, uint32_t mode) {
  return chmod(path.c_str(), mode_t(mode)) == 0;
}

bool clear_write_bits(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  return chmod(path.c_str(), info.st_mode & 07555) == 0;
}

bool add_execute_bits(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  return chmod(path.c_str(), mode | ((mode & 0444) >> 2)) == 0;
}

std::string read_file_prefix(const std::string& path, uint32_t count) {
  int handle = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (handle < 0) return {};
  std::string bytes(count, '\0');
  int64_t n = read_file(handle, bytes.data(), count);
  close(handle);
  bytes.resize(n > 0 ? size_t(n) : 0);
  return bytes;
}

bool write_whole_file(const std::string& path, const std::string& bytes) {
  // Beside the file, then renamed over it: a link at the name is replaced, never written through.
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  OutputWriter writer;
  if (!writer.open_destination(folder, false)) return false;
  int handle = writer.begin(path.substr(slash == std::string::npos ? 0 : slash + 1));
  return handle >= 0 && writer.write(handle, bytes.data(), bytes.size()) && writer.commit(handle, {});
}

}  // namespace platform
