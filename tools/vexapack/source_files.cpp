#include "source_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "installer/cabinet/codec.h"
#include "installer/frontend/dos_time.h"
#include "package_writer.h"

namespace fs = std::filesystem;

namespace vexapack {

namespace {

uint16_t window_bits(const std::string& text, unsigned low, unsigned high, const std::string& method) {
  try {
    size_t used = 0;
    unsigned long bits = std::stoul(text, &used);
    if (used == text.size() && bits >= low && bits <= high) return uint16_t(bits);
  } catch (const std::exception&) {
  }
  throw PackageError("bad window size in --method " + method + " (" + std::to_string(low) + " to " +
                     std::to_string(high) + ")");
}

bool is_ascii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

PackMethod parse_method(const std::string& method) {
  if (method == "none") return {METHOD_NONE};
  if (method == "mszip") return {METHOD_MSZIP};
  if (method.starts_with("lzx:")) {
    std::string bits = method.substr(4);
    cabwriter::Effort effort = cabwriter::Effort::Normal;
    if (bits.ends_with(":max")) {
      bits.resize(bits.size() - 4);
      effort = cabwriter::Effort::Max;
    }
    return {cabwriter::type_compress_of(METHOD_LZX, window_bits(bits, 15, 21, method)), effort};
  }
  if (method.starts_with("quantum:"))
    return {cabwriter::type_compress_of(METHOD_QUANTUM, window_bits(method.substr(8), 10, 21, method))};
  throw PackageError("unknown method '" + method + "' (none, mszip, lzx:N, lzx:N:max, quantum:N)");
}

namespace {

// Opened without waiting (a FIFO would hold us forever), then checked on the open handle.
int open_regular_file(const std::string& path, struct stat* info) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw PackageError("cannot read " + path + ": " + std::strerror(errno));
  if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
    ::close(fd);
    throw PackageError("cannot read " + path + ": not a regular file");
  }
  return fd;
}

}  // namespace

std::vector<uint8_t> read_whole_file(const std::string& path) {
  struct stat info;
  int fd = open_regular_file(path, &info);
  std::vector<uint8_t> bytes;
  bytes.reserve(size_t(info.st_size));
  uint8_t block[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw PackageError("cannot read " + path + ": " + std::strerror(error));
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), block, block + n);
  }
  ::close(fd);
  return bytes;
}

void refuse_output_among_inputs(const std::string& output, const std::vector<std::string>& inputs) {
  struct stat out;
  if (::stat(output.c_str(), &out) != 0) return;  // a new file cannot be one of them
  for (const std::string& input : inputs) {
    struct stat in;
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
      throw PackageError("refusing to write " + output + ": it is the input " + input);
  }
}

cabwriter::DiskFolder folder_of_files(const std::vector<std::string>& paths, const PackMethod& method) {
  cabwriter::DiskFolder folder;
  folder.type_compress = method.type_compress;
  folder.effort = method.effort;
  uint64_t total = 0;
  for (const std::string& path : paths) {
    struct stat info;
    ::close(open_regular_file(path, &info));
    total += uint64_t(info.st_size);
    if (total > cabwriter::FOLDER_BYTE_LIMIT)
      throw PackageError("the files come to more than " + std::to_string(cabwriter::FOLDER_BYTE_LIMIT) +
                         " bytes, what one cabinet folder holds (at " + path + ")");
    cabwriter::DiskFile file;
    file.path = path;
    file.name = fs::path(path).filename().string();
    file.size = uint32_t(info.st_size);
    unix_to_dos_date_time(info.st_mtime, &file.date, &file.time);  // out of range: the default stays
    file.attributes = uint16_t(0x20 | (is_ascii(file.name) ? 0 : 0x80));
    folder.files.push_back(std::move(file));
  }
  return folder;
}

}  // namespace vexapack
