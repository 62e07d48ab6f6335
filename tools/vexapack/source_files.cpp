#include "source_files.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cab_set_writer.h"
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

uint16_t parse_method(const std::string& method) {
  if (method == "none") return METHOD_NONE;
  if (method == "mszip") return METHOD_MSZIP;
  if (method.starts_with("lzx:"))
    return cabwriter::type_compress_of(METHOD_LZX, window_bits(method.substr(4), 15, 21, method));
  if (method.starts_with("quantum:"))
    return cabwriter::type_compress_of(METHOD_QUANTUM, window_bits(method.substr(8), 10, 21, method));
  throw PackageError("unknown method '" + method + "' (none, mszip, lzx:N, quantum:N)");
}

std::vector<uint8_t> read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in || !fs::is_regular_file(path)) throw PackageError("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> cabinet_of_files(const std::vector<std::string>& paths, uint16_t type_compress) {
  cabwriter::SourceFolder folder;
  folder.type_compress = type_compress;
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
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw PackageError("cannot write " + path);
  }
  std::error_code error;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);
  if (error) throw PackageError("cannot make " + path + " executable: " + error.message());
}

}  // namespace vexapack
