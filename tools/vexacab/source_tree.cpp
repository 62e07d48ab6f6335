#include "source_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "installer/frontend/dos_time.h"
#include "common/text/text_codec.h"

namespace vexacab {

namespace {

constexpr size_t MAX_STORED_NAME = 255;
constexpr uint64_t FILE_SIZE_LIMIT = uint64_t(1) << 32;  // cbFile is 32 bits
constexpr uint16_t ATTRIBUTE_READ_ONLY = 0x01;
constexpr uint16_t ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint16_t ATTRIBUTE_UTF8_NAME = 0x80;
// 1980-01-01 00:00:00, the earliest time the format can store.
constexpr uint16_t EARLIEST_DOS_DATE = 0x0021;

struct Walk {
  std::string skip;
  dev_t skip_device = 0;
  ino_t skip_inode = 0;
  bool has_skip = false;
  std::vector<TreeFile> files;
  std::set<std::string> names;
  std::vector<TreeWarning>* warnings;
};

std::string failure(const std::string& path, const char* what) {
  return "cannot " + std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool is_ascii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

void add_file(Walk& walk, const std::string& path, const std::string& name, const struct stat& st) {
  if (walk.has_skip && st.st_dev == walk.skip_device && st.st_ino == walk.skip_inode) return;
  if (name.size() > MAX_STORED_NAME)
    throw CreateError(path + ": its stored name '" + name + "' is " + std::to_string(name.size()) +
                      " bytes; a cabinet holds names of at most 255");
  std::u16string unused;
  if (!utf8_to_utf16(name, unused)) throw CreateError(path + ": the name is not valid UTF-8");
  if (uint64_t(st.st_size) >= FILE_SIZE_LIMIT)
    throw CreateError(path + " is " + std::to_string(st.st_size) +
                      " bytes; a cabinet cannot hold a file of 4 GiB or more");
  if (!walk.names.insert(name).second)
    throw CreateError("two files would be stored as '" + name + "' (the second is " + path + ")");
  TreeFile file;
  file.path = path;
  file.stored_name = name;
  file.size = uint64_t(st.st_size);
  if (!unix_to_dos_date_time(st.st_mtime, &file.date, &file.time)) {
    file.date = EARLIEST_DOS_DATE;  // before 1980 (or past 2107): the nearest storable time
    file.time = 0;
  }
  file.attributes = ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) file.attributes |= ATTRIBUTE_READ_ONLY;
  if (!is_ascii(name)) file.attributes |= ATTRIBUTE_UTF8_NAME;
  walk.files.push_back(std::move(file));
}

std::vector<std::string> sorted_entries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) throw CreateError(failure(folder, "read the folder"));
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.emplace_back(entry->d_name);
  }
  int read_error = errno;
  ::closedir(dir);
  if (read_error) {
    errno = read_error;
    throw CreateError(failure(folder, "read the folder"));
  }
  std::sort(names.begin(), names.end());
  return names;
}

void visit(Walk& walk, const std::string& path, const std::string& name, bool top) {
  struct stat link_st, st;
  if (::lstat(path.c_str(), &link_st) != 0 || ::stat(path.c_str(), &st) != 0)
    throw CreateError(failure(path, "read"));
  if (S_ISREG(st.st_mode)) return add_file(walk, path, name, st);
  if (S_ISDIR(st.st_mode) && (top || !S_ISLNK(link_st.st_mode))) {
    std::string prefix = name.empty() ? "" : name + "\\";
    for (const std::string& entry : sorted_entries(path))
      visit(walk, path + "/" + entry, prefix + entry, false);
    return;
  }
  walk.warnings->push_back(
      {path, S_ISDIR(st.st_mode) ? "a link to a folder, not followed" : "not a regular file"});
}

// The name a PATH itself is stored under: its last component ("" for ".", ".." and "/", whose
// contents are stored from the top).
std::string top_name(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  return last == "." || last == ".." ? "" : last;
}

}  // namespace

std::vector<TreeFile> collect_tree(const std::vector<std::string>& paths, const std::string& skip,
                                   std::vector<TreeWarning>* warnings) {
  Walk walk;
  walk.warnings = warnings;
  struct stat st;
  if (!skip.empty() && ::stat(skip.c_str(), &st) == 0) {
    walk.has_skip = true;
    walk.skip_device = st.st_dev;
    walk.skip_inode = st.st_ino;
  }
  for (const std::string& path : paths) visit(walk, path, top_name(path), true);
  return std::move(walk.files);
}

}  // namespace vexacab
