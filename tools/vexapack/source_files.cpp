#include "source_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cab_set_writer.h"
#include "installer/cabinet/codec.h"
#include "installer/frontend/dos_time.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/process.h"
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

void stamp(cabwriter::SourceFile& file, const fs::path& path) {
  auto written = fs::last_write_time(path);
  std::time_t when = std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
  unix_to_dos_date_time(when, &file.date, &file.time);  // out of range: the default stays
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

std::vector<uint8_t> read_whole_file(const std::string& path) {
  // Opened without waiting (a FIFO would hold us forever), then checked on the open handle.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw PackageError("cannot read " + path + ": " + std::strerror(errno));
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    throw PackageError("cannot read " + path + ": not a regular file");
  }
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

std::vector<uint8_t> cabinet_of_files(const std::vector<std::string>& paths, const PackMethod& method) {
  cabwriter::SourceFolder folder;
  folder.type_compress = method.type_compress;
  folder.effort = method.effort;
  for (const std::string& path : paths) {
    cabwriter::SourceFile file;
    file.name = fs::path(path).filename().string();
    file.data = read_whole_file(path);
    stamp(file, path);
    file.attributes = uint16_t(0x20 | (is_ascii(file.name) ? 0 : 0x80));
    folder.files.push_back(std::move(file));
  }
  try {
    return cabwriter::serialize(cabwriter::build_cabinet({folder}));
  } catch (const std::invalid_argument& e) {
    throw PackageError(std::string("this build cannot compress that way: ") + e.what());
  }
}

void write_executable(const std::string& path, const std::vector<uint8_t>& bytes) {
  // Through the output writer: an earlier package stays whole until the new one is complete.
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  platform::OutputWriter writer({.replace_read_only = true});
  bool ok = writer.open_destination(folder, false);
  int handle = ok ? writer.begin(path.substr(slash == std::string::npos ? 0 : slash + 1)) : -1;
  ok = handle >= 0 && writer.write(handle, bytes.data(), bytes.size()) && writer.commit(handle, {});
  if (!ok) throw PackageError("cannot write " + path + ": " + platform::error_text(writer.failure().error));
  std::error_code error;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);
  if (error) throw PackageError("cannot make " + path + " executable: " + error.message());
}

}  // namespace vexapack
