// The uninstaller's access to one folder (the destination, or a launcher folder), reached
// through an open handle of it: no path below it leads elsewhere through a symbolic link.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct FileDigest {
  uint64_t size = 0;
  std::string sha256;  // lower-case hex
};

class RemovalTree {
 public:
  virtual ~RemovalTree() = default;
  // Paths are relative: components separated by '/', none empty, "." or "..".

  // Size and SHA-256 of the regular file at `relative`; nullopt when there is none (a link
  // is not a regular file and is not followed, nor is a link on the way).
  virtual std::optional<FileDigest> digest(const std::string& relative) = 0;
  // The whole regular file of at most `limit` bytes; false with the reason.
  virtual bool read_small_file(const std::string& relative, uint64_t limit, std::string* bytes,
                               std::string* error) = 0;
  // Removes the file (or a link itself, never its target); false with the system's reason.
  virtual bool remove_file(const std::string& relative, std::string* error) = 0;
  enum class FolderRemoval { Removed, NotEmpty, Missing };
  // Removes the folder only when it is empty; a link is no folder and is left alone.
  virtual FolderRemoval remove_empty_folder(const std::string& relative) = 0;
};

// Opens `folder` itself (following a link in its own path: the user named it); null with the
// system's reason when it is missing or no folder.
std::unique_ptr<RemovalTree> open_removal_tree(const std::string& folder, std::string* error);

}  // namespace platform
