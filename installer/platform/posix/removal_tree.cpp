#include "installer/platform/removal_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "installer/platform/file_digest.h"
#include "installer/platform/output_writer.h"

namespace platform {

namespace {

class PosixRemovalTree : public RemovalTree {
 public:
  explicit PosixRemovalTree(int root) : root_(root) {}
  ~PosixRemovalTree() override { close(root_); }

  std::optional<FileDigest> digest(const std::string& relative) override {
    int fd = open_regular(relative);
    if (fd < 0) return std::nullopt;
    FileDigest d;
    bool ok = sha256_of_handle(fd, &d.size, &d.sha256);
    close(fd);
    return ok ? std::optional<FileDigest>(d) : std::nullopt;
  }

  bool read_small_file(const std::string& relative, uint64_t limit, std::string* bytes, std::string* error) override {
    int fd = open_regular(relative);
    if (fd < 0) {
      *error = std::strerror(errno);
      return false;
    }
    bytes->clear();
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0 && bytes->size() <= limit) bytes->append(buffer, size_t(n));
    int saved = errno;
    close(fd);
    if (n < 0) *error = std::strerror(saved);
    else if (bytes->size() > limit) *error = "too large for an install record";
    return n == 0 && bytes->size() <= limit;
  }

  bool remove_file(const std::string& relative, std::string* error) override {
    std::string name;
    int folder = open_parent(relative, &name);
    bool ok = folder >= 0 && unlinkat(folder, name.c_str(), 0) == 0;
    if (!ok) *error = std::strerror(errno);
    if (folder >= 0) close(folder);
    return ok;
  }

  FolderRemoval remove_empty_folder(const std::string& relative) override {
    std::string name;
    int folder = open_parent(relative, &name);
    if (folder < 0) return FolderRemoval::Missing;
    struct stat info;
    FolderRemoval result = FolderRemoval::Missing;
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode))
      result = unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0 ? FolderRemoval::Removed : FolderRemoval::NotEmpty;
    close(folder);
    return result;
  }

 private:
  // The folder that holds the last component, reached by the writer's containment rule; -1
  // with errno set when the path is unsafe or a folder on the way is missing or a link.
  int open_parent(const std::string& relative, std::string* name) {
    std::string folder;
    if (!split_relative_path(relative, &folder, name)) {
      errno = EINVAL;
      return -1;
    }
    OutputFailure failure;
    int fd = open_folder_below(root_, folder, false, &failure);
    if (fd < 0) errno = failure.step == OutputStep::FolderIsLink ? ELOOP : failure.error;
    return fd;
  }

  int open_regular(const std::string& relative) {
    std::string name;
    int folder = open_parent(relative, &name);
    if (folder < 0) return -1;
    int fd = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    int saved = errno;
    close(folder);
    struct stat info;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
      close(fd);
      fd = -1;
      saved = EINVAL;
    }
    errno = saved;
    return fd;
  }

  int root_;
};

}  // namespace

std::unique_ptr<RemovalTree> open_removal_tree(const std::string& folder, std::string* error) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixRemovalTree>(fd);
}

}  // namespace platform
