#include "spool_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace cabwriter {

namespace {

ssize_t system_write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }

// An unnamed file in `folder`; where the file system has no O_TMPFILE, a hidden name that is
// removed as soon as it is open.
int open_unnamed(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  std::string name = folder + "/.vexa-spool-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

}  // namespace

SpoolFile::SpoolFile(const std::string& folder, SpoolWrite write)
    : folder_(folder.empty() ? "." : folder), write_(write ? write : system_write) {
  fd_ = open_unnamed(folder_);
  if (fd_ < 0) fail("create a spool file in", errno);
}

SpoolFile::~SpoolFile() {
  if (fd_ >= 0) ::close(fd_);
}

void SpoolFile::fail(const char* what, int error) const {
  throw std::runtime_error(std::string("cannot ") + what + " " + folder_ + ": " + std::strerror(error));
}

void SpoolFile::append(std::span<const uint8_t> bytes) {
  const uint8_t* data = bytes.data();
  size_t left = bytes.size();
  while (left != 0) {
    ssize_t n = write_(fd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("write the spool file in", n < 0 ? errno : ENOSPC);  // taking nothing: full
    data += n;
    left -= size_t(n);
    size_ += uint64_t(n);
  }
}

void SpoolFile::truncate(uint64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0 || ::lseek(fd_, off_t(size), SEEK_SET) < 0)
    fail("shorten the spool file in", errno);
  size_ = size;
}

void SpoolFile::read(uint64_t at, std::span<uint8_t> out) const {
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("read the spool file in", n < 0 ? errno : EIO);  // shorter than written
    done += size_t(n);
  }
}

}  // namespace cabwriter
