// vexacab create: files and folders into a cabinet, or a set of cabinets cut at --max-size.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cab_set_writer.h"
#include "commands.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/platform/output_writer.h"
#include "common/text/printable_name.h"
#include "progress.h"
#include "source_tree.h"

namespace vexacab {

namespace {

// A folder's stream is at most 65,535 blocks of 32 KiB (cCFData is 16 bits), and a cabinet
// lists at most 65,535 files and folders (cFiles and cFolders are 16 bits).
constexpr uint64_t FOLDER_BYTE_LIMIT = 65535ull * 32768;
constexpr size_t RECORD_COUNT_LIMIT = 65535;

// Groups the files into folders, in order: a new folder starts when the next file would take
// the current one past `folder_size` (0: no wish) or past what a folder can hold. Empty files
// take no room and stay with the folder before them.
std::vector<std::vector<size_t>> plan_folders(const std::vector<TreeFile>& files, uint64_t folder_size) {
  std::vector<std::vector<size_t>> folders(1);
  uint64_t bytes = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    uint64_t after = bytes + files[i].size;
    bool full = after > FOLDER_BYTE_LIMIT || (folder_size && files[i].size && after > folder_size) ||
                folders.back().size() == RECORD_COUNT_LIMIT;
    if (!folders.back().empty() && full) {
      folders.emplace_back();
      bytes = 0;
    }
    if (files[i].size > FOLDER_BYTE_LIMIT)
      throw CreateError(files[i].path + " is " + std::to_string(files[i].size) +
                        " bytes; a cabinet folder holds at most " + std::to_string(FOLDER_BYTE_LIMIT));
    folders.back().push_back(i);
    bytes += files[i].size;
  }
  return folders;
}

std::vector<uint8_t> read_contents(const TreeFile& file) {
  int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw CreateError("cannot read " + file.path + ": " + std::strerror(errno));
  std::vector<uint8_t> data(file.size);
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  int error = errno;
  ::close(fd);
  if (done != data.size())
    throw CreateError("cannot read " + file.path + ": " +
                      (done < data.size() && error ? std::strerror(error) : "it changed while being read"));
  return data;
}

std::vector<cabwriter::SourceFolder> read_folders(const CreateOptions& options,
                                                  const std::vector<TreeFile>& files,
                                                  const std::vector<std::vector<size_t>>& plan,
                                                  Progress& progress) {
  std::vector<cabwriter::SourceFolder> folders;
  for (const std::vector<size_t>& members : plan) {
    cabwriter::SourceFolder folder;
    folder.type_compress = options.type_compress;
    cabwriter::FolderEncoder encode = cabwriter::default_encoder(options.type_compress, options.effort);
    folder.encoder = [encode, &progress](std::span<const uint8_t> stream) {
      auto blocks = encode(stream);
      progress.advance(stream.size());
      return blocks;
    };
    for (size_t i : members) {
      cabwriter::SourceFile source;
      source.name = files[i].stored_name;
      source.data = read_contents(files[i]);
      source.date = files[i].date;
      source.time = files[i].time;
      source.attributes = files[i].attributes;
      progress.advance(files[i].size);
      folder.files.push_back(std::move(source));
    }
    folders.push_back(std::move(folder));
  }
  return folders;
}

// OUT.cab, OUT2.cab, OUT3.cab, ...: the number goes before the extension.
struct MemberNames {
  std::string stem, extension;

  explicit MemberNames(const std::string& file_name) {
    size_t dot = file_name.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = file_name.size();
    stem = file_name.substr(0, dot);
    extension = file_name.substr(dot);
  }
  std::string operator()(size_t position) const {
    return position == 1 ? stem + extension : stem + std::to_string(position) + extension;
  }
  // A writer pattern whose every name is at least as long as ours, so that the room the writer
  // keeps for the set's names is enough for them.
  std::string placeholder() const {
    return std::string(stem.size(), 'x') + "%u" + std::string(extension.size(), 'x');
  }
};

void rename_members(std::vector<cabwriter::CabinetImage>& set, const MemberNames& names) {
  for (size_t i = 0; i < set.size(); ++i) {
    set[i].file_name = names(i + 1);
    if (set[i].has_previous) set[i].previous_cabinet = names(i);
    if (set[i].has_next) set[i].next_cabinet = names(i + 2);
  }
}

uint64_t cabinet_bytes(const cabwriter::CabinetImage& cabinet) {
  uint64_t size = cabwriter::directory_size(cabinet);
  for (const cabwriter::FolderImage& folder : cabinet.folders)
    for (const cabwriter::DataBlockImage& block : folder.blocks)
      size += cabwriter::data_block_size(cabinet, block);
  return size;
}

void refuse_oversized(const std::vector<cabwriter::CabinetImage>& set) {
  for (const cabwriter::CabinetImage& cabinet : set) {
    if (cabinet.files.size() > RECORD_COUNT_LIMIT)
      throw CreateError(cabinet.file_name + " would list " + std::to_string(cabinet.files.size()) +
                        " files; a cabinet lists at most 65535");
    if (cabinet.folders.size() > RECORD_COUNT_LIMIT)
      throw CreateError(cabinet.file_name + " would hold " + std::to_string(cabinet.folders.size()) +
                        " folders; a cabinet holds at most 65535 (raise --folder-size)");
    if (cabinet_bytes(cabinet) > UINT32_MAX)
      throw CreateError(cabinet.file_name + " would pass 4 GiB; split the set with --max-size");
  }
}

std::vector<cabwriter::CabinetImage> build(const CreateOptions& options,
                                           const std::vector<cabwriter::SourceFolder>& folders,
                                           const MemberNames& names) {
  cabwriter::SetOptions set;
  set.max_cabinet_size = options.max_size;
  set.set_id = options.set_id;
  set.cabinet_name = names.placeholder();
  set.reserve_present = options.reserve;
  set.header_reserve.assign(options.header_reserve, 0);
  set.folder_reserve_size = options.folder_reserve;
  set.data_reserve_size = options.data_reserve;
  try {
    std::vector<cabwriter::CabinetImage> images = cabwriter::build_set(folders, set);
    rename_members(images, names);
    return images;
  } catch (const std::invalid_argument& e) {
    throw CreateError("--max-size " + std::to_string(options.max_size) +
                      " is too small to hold a data block and the set's records (" + e.what() + ")");
  }
}

// Every member is written in full before the first takes its name, so that a failure leaves
// the set that was there before (the writer discards what is pending when it goes).
void write_members(const std::vector<cabwriter::CabinetImage>& set, const std::string& output) {
  std::string directory, name;
  split_cabinet_path(output, &directory, &name);
  platform::OutputWriter writer;
  if (!writer.open_destination(directory.empty() ? "." : directory, false))
    throw CreateError(output_failure_text(writer.failure()));
  std::vector<int> handles;
  for (const cabwriter::CabinetImage& cabinet : set) {
    int handle = writer.begin(cabinet.file_name);
    if (handle < 0) throw CreateError(output_failure_text(writer.failure()));
    std::vector<uint8_t> bytes = cabwriter::serialize(cabinet);
    if (!writer.write(handle, bytes.data(), bytes.size())) throw CreateError(output_failure_text(writer.failure()));
    handles.push_back(handle);
  }
  for (int handle : handles)
    if (!writer.commit(handle, platform::OutputStamp{})) throw CreateError(output_failure_text(writer.failure()));
}

void print_summary(const std::vector<cabwriter::CabinetImage>& set, const std::vector<TreeFile>& files,
                   const std::string& output) {
  uint64_t packed = 0, bytes = 0;
  for (const cabwriter::CabinetImage& cabinet : set) packed += cabinet_bytes(cabinet);
  for (const TreeFile& file : files) bytes += file.size;
  std::string where = printable_name(output);
  if (set.size() > 1) where += " to " + printable_name(set.back().file_name) + " (" + std::to_string(set.size()) + " cabinets)";
  std::printf("%s: %zu files, %llu bytes packed into %llu\n", where.c_str(), files.size(),
              (unsigned long long)bytes, (unsigned long long)packed);
}

}  // namespace

int create_cabinet(const CreateOptions& options) {
  try {
    std::vector<TreeWarning> warnings;
    std::vector<TreeFile> files = collect_tree(options.paths, options.output, &warnings);
    for (const TreeWarning& warning : warnings) report("Skipped", printable_name(warning.path) + ": " + warning.why);
    if (files.empty()) throw CreateError("no files to pack");
    if (files.size() > RECORD_COUNT_LIMIT && !options.max_size)
      throw CreateError(std::to_string(files.size()) + " files; a cabinet lists at most 65535");
    std::vector<std::vector<size_t>> plan = plan_folders(files, options.folder_size);
    uint64_t total = 0;
    for (const TreeFile& file : files) total += file.size;
    Progress progress("reading", total, progress_terminal());
    std::vector<cabwriter::SourceFolder> folders = read_folders(options, files, plan, progress);
    // A set may compress a folder again when it is cut in two: the line stops at 100%.
    progress.phase("compressing", total);
    std::string directory, name;
    split_cabinet_path(options.output, &directory, &name);
    std::vector<cabwriter::CabinetImage> set = build(options, folders, MemberNames(name));
    refuse_oversized(set);
    write_members(set, options.output);
    progress.finish();
    print_summary(set, files, options.output);
    return 0;
  } catch (const CreateError& e) {
    report("CreateFailed", e.what());
    return 1;
  }
}

}  // namespace vexacab
