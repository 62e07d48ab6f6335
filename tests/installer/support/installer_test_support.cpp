#include "installer_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "installer/frontend/window.h"

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
  char pattern[] = "/tmp/vexa-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  // Read-only files and folders made by the tests must not stop the clean-up.
  for (auto& entry : fs::recursive_directory_iterator(path_, error))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(path_, error);
}

ScopedChdir::ScopedChdir(const std::string& path) : previous_(fs::current_path().string()) {
  fs::current_path(path);
}

ScopedChdir::~ScopedChdir() {
  std::error_code error;
  fs::current_path(previous_, error);
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void write_file(const std::string& path, const std::string& text) {
  write_file(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

uint32_t mode_of(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

int64_t mtime_of(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return -1;
  return info.st_mtime;
}

int64_t local_time_of(uint16_t dos_date, uint16_t dos_time) {
  std::tm local{};
  local.tm_year = 80 + (dos_date >> 9);
  local.tm_mon = ((dos_date >> 5) & 15) - 1;
  local.tm_mday = dos_date & 31;
  local.tm_hour = dos_time >> 11;
  local.tm_min = (dos_time >> 5) & 63;
  local.tm_sec = (dos_time & 31) * 2;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::vector<std::string> list_tree(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

TreeSnapshot snapshot_tree(const std::string& folder) {
  TreeSnapshot tree;
  for (auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string path = entry.path().string();
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) continue;
    // A folder's own time changes with every entry made in it: only its mode counts.
    std::string state = std::to_string(info.st_mode) + " ";
    if (!S_ISDIR(info.st_mode)) state += std::to_string(info.st_mtime) + " ";
    if (S_ISLNK(info.st_mode)) {
      state += "-> " + fs::read_symlink(entry.path()).string();
    } else if (S_ISREG(info.st_mode)) {
      std::vector<uint8_t> bytes = read_file(path);
      state.append(bytes.begin(), bytes.end());
    }
    tree[fs::relative(entry.path(), folder).string()] = state;
  }
  return tree;
}

std::vector<std::string> tree_changes(const TreeSnapshot& before, const TreeSnapshot& after) {
  std::vector<std::string> changed;
  for (const auto& [path, state] : before) {
    auto found = after.find(path);
    if (found == after.end() || found->second != state) changed.push_back(path);
  }
  for (const auto& [path, state] : after)
    if (!before.count(path)) changed.push_back(path);
  std::sort(changed.begin(), changed.end());
  return changed;
}

std::vector<std::string> temporary_files(const TreeSnapshot& tree) {
  std::vector<std::string> found;
  for (const auto& [path, state] : tree)
    if (fs::path(path).filename().string().starts_with(".vexa-")) found.push_back(path);
  return found;
}

std::string test_name_of(const std::string& description) {
  std::string name = description;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

namespace {
WriteFaults active_faults;
uint64_t faulty_bytes_taken = 0;

ssize_t faulty_write(int fd, const void* data, size_t size) {
  if (++active_faults.calls == active_faults.fail_at) {
    errno = active_faults.error;
    return -1;
  }
  if (active_faults.shorten && size > active_faults.shorten) size -= active_faults.shorten;
  if (active_faults.pause_us) usleep(active_faults.pause_us);
  ssize_t n = ::write(fd, data, size);
  if (n > 0) faulty_bytes_taken += uint64_t(n);
  return n;
}

int plain_fsync(int fd) { return ::fsync(fd); }
}  // namespace

platform::OutputSyscalls faulty_output_syscalls(const WriteFaults& faults) {
  active_faults = faults;
  faulty_bytes_taken = 0;
  return {faulty_write, plain_fsync};
}

uint64_t bytes_taken_by_faulty_writes() { return faulty_bytes_taken; }

cabwriter::SourceFile source_file(const std::string& name, std::vector<uint8_t> data, uint16_t attributes) {
  cabwriter::SourceFile file;
  file.name = name;
  file.data = std::move(data);
  file.attributes = attributes;
  return file;
}

std::vector<uint8_t> pattern_bytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    state = state * 1103515245u + 12345u;
    // Runs of text-like bytes so that compression has something to find.
    b = uint8_t('a' + ((state >> 16) % 7));
  }
  return bytes;
}

std::vector<uint8_t> package_without_stub(const vexapack::PackageSettings& settings,
                                          const std::vector<uint8_t>& cabinet) {
  return vexapack::assemble_package({}, settings, cabinet);
}

vexapack::PackageSettings shipped_settings(const std::string& program) {
  vexapack::PackageSettings s;
  s.title = "Ruziz Kestrovan";
  s.program = program;
  s.start_menu = 0x01;
  s.desktop = 0x01;
  s.send_to = 0x00;
  s.shortcut_name = "Kestrovan";
  return s;
}

DamagedPackageParts damaged_second_file_package() {
  cabwriter::SourceFolder first, second;
  first.files = {source_file("first.txt", pattern_bytes(20000, 3))};
  second.files = {source_file("second.bin", pattern_bytes(200000, 4))};
  cabwriter::CabinetImage cabinet = cabwriter::build_cabinet({first, second});
  cabinet.folders[1].blocks[3].data[5] ^= 0x55;
  DamagedPackageParts parts{shipped_settings("second.bin"), cabwriter::serialize(cabinet), first.files};
  parts.settings.desktop = 0x03;
  return parts;
}

ThreeCabinetSet three_cabinet_set() {
  ThreeCabinetSet set;
  for (int i = 0; i < 6; ++i)
    set.folder.files.push_back(source_file("file" + std::to_string(i), pattern_bytes(30000, 20 + i)));
  set.folder.type_compress = 0;
  cabwriter::SetOptions options;
  options.max_cabinet_size = 70000;
  set.cabinets = cabwriter::build_set({set.folder}, options);
  return set;
}

PackageContents read_package_contents(const std::string& list_path) {
  PackageContents c;
  std::ifstream in(list_path);
  std::getline(in, c.program);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) c.sources.push_back(line);
  return c;
}

WindowThread::WindowThread(InstallerApp& app, platform::ScriptedUi& ui) : ui_(ui) {
  app.main_window = &ui;
  thread_ = std::thread([&app, &ui] {
    ui.queue().run([&app](const platform::WindowMessage& m) { return installer_window_procedure(app, m); });
  });
}

WindowThread::~WindowThread() {
  ui_.queue().post_quit(0);
  thread_.join();
}

}  // namespace testsupport
