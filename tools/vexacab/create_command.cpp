// vexacab create: files and folders into a cabinet, or a set of cabinets cut at --max-size.
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "cab_set_writer.h"
#include "commands.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/platform/output_writer.h"
#include "common/text/printable_name.h"
#include "progress.h"
#include "source_tree.h"
#include "stream_set_writer.h"

namespace vexacab {

namespace {

// A cabinet lists at most 65,535 files and folders (cFiles and cFolders are 16 bits).
constexpr size_t RECORD_COUNT_LIMIT = 65535;
using cabwriter::FOLDER_BYTE_LIMIT;

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

std::vector<cabwriter::DiskFolder> disk_folders(const CreateOptions& options, const std::vector<TreeFile>& files,
                                                const std::vector<std::vector<size_t>>& plan) {
  std::vector<cabwriter::DiskFolder> folders;
  for (const std::vector<size_t>& members : plan) {
    cabwriter::DiskFolder folder;
    folder.type_compress = options.type_compress;
    folder.effort = options.effort;
    for (size_t i : members) {
      const TreeFile& file = files[i];
      folder.files.push_back(cabwriter::DiskFile{file.path, file.stored_name, uint32_t(file.size), file.date,
                                                 file.time, file.attributes});
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

void rename_members(cabwriter::StreamedSet& set, const MemberNames& names) {
  for (size_t i = 0; i < set.size(); ++i) {
    cabwriter::CabinetImage& records = set.records(i);
    records.file_name = names(i + 1);
    if (records.has_previous) records.previous_cabinet = names(i);
    if (records.has_next) records.next_cabinet = names(i + 2);
  }
}

void refuse_oversized(const cabwriter::StreamedSet& set) {
  for (size_t i = 0; i < set.size(); ++i) {
    const cabwriter::CabinetImage& cabinet = set.records(i);
    if (cabinet.files.size() > RECORD_COUNT_LIMIT)
      throw CreateError(cabinet.file_name + " would list " + std::to_string(cabinet.files.size()) +
                        " files; a cabinet lists at most 65535");
    if (cabinet.folders.size() > RECORD_COUNT_LIMIT)
      throw CreateError(cabinet.file_name + " would hold " + std::to_string(cabinet.folders.size()) +
                        " folders; a cabinet holds at most 65535 (raise --folder-size)");
    if (set.cabinet_size(i) > UINT32_MAX)
      throw CreateError(cabinet.file_name + " would pass 4 GiB; split the set with --max-size");
  }
}

// Reads, compresses and lays out the set; the compressed blocks wait in a spool beside the
// output until the cabinets are written.
std::unique_ptr<cabwriter::StreamedSet> build(const CreateOptions& options, std::vector<cabwriter::DiskFolder> folders,
                                              const std::string& directory, const MemberNames& names,
                                              Progress& progress) {
  cabwriter::SetOptions set;
  set.max_cabinet_size = options.max_size;
  set.set_id = options.set_id;
  set.cabinet_name = names.placeholder();
  set.reserve_present = options.reserve;
  set.header_reserve.assign(options.header_reserve, 0);
  set.folder_reserve_size = options.folder_reserve;
  set.data_reserve_size = options.data_reserve;
  cabwriter::StreamOptions stream;
  stream.spool_folder = directory;
  stream.on_read = [&progress](size_t bytes) { progress.advance(bytes); };
  try {
    auto built = std::make_unique<cabwriter::StreamedSet>(std::move(folders), set, stream);
    rename_members(*built, names);
    return built;
  } catch (const std::invalid_argument& e) {
    throw CreateError("--max-size " + std::to_string(options.max_size) +
                      " is too small to hold a data block and the set's records (" + e.what() + ")");
  } catch (const std::runtime_error& e) {
    throw CreateError(e.what());
  }
}

// Every member is written in full before the first takes its name, so that a failure leaves
// the set that was there before (the writer discards what is pending when it goes).
void write_members(const cabwriter::StreamedSet& set, platform::OutputWriter& writer, Progress& progress) {
  std::vector<int> handles;
  for (size_t i = 0; i < set.size(); ++i) {
    int handle = writer.begin(set.records(i).file_name);
    if (handle < 0) throw CreateError(output_failure_text(writer.failure()));
    handles.push_back(handle);
    try {
      set.write(i, [&](std::span<const uint8_t> bytes) {
        if (!writer.write(handle, bytes.data(), bytes.size())) throw CreateError(output_failure_text(writer.failure()));
        progress.advance(bytes.size());
      });
    } catch (const CreateError&) {
      throw;
    } catch (const std::runtime_error& e) {
      throw CreateError(e.what());
    }
  }
  for (int handle : handles)
    if (!writer.commit(handle, platform::OutputStamp{})) throw CreateError(output_failure_text(writer.failure()));
}

uint64_t packed_bytes(const cabwriter::StreamedSet& set) {
  uint64_t packed = 0;
  for (size_t i = 0; i < set.size(); ++i) packed += set.cabinet_size(i);
  return packed;
}

void print_summary(const cabwriter::StreamedSet& set, const std::vector<TreeFile>& files, const std::string& output) {
  uint64_t bytes = 0;
  for (const TreeFile& file : files) bytes += file.size;
  std::string where = printable_name(output);
  if (set.size() > 1)
    where += " to " + printable_name(set.records(set.size() - 1).file_name) + " (" + std::to_string(set.size()) +
             " cabinets)";
  std::printf("%s: %zu files, %llu bytes packed into %llu\n", where.c_str(), files.size(),
              (unsigned long long)bytes, (unsigned long long)packed_bytes(set));
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
    std::string directory, name;
    split_cabinet_path(options.output, &directory, &name);
    if (directory.empty()) directory = ".";
    platform::OutputWriter writer;
    if (!writer.open_destination(directory, false)) throw CreateError(output_failure_text(writer.failure()));
    // A set may compress a folder again when it is cut in two: the line stops at 100%.
    Progress progress("compressing", total, progress_terminal());
    std::unique_ptr<cabwriter::StreamedSet> set =
        build(options, disk_folders(options, files, plan), directory, MemberNames(name), progress);
    refuse_oversized(*set);
    progress.phase("writing", packed_bytes(*set));
    write_members(*set, writer, progress);
    progress.finish();
    print_summary(*set, files, options.output);
    return 0;
  } catch (const CreateError& e) {
    report("CreateFailed", e.what());
    return 1;
  }
}

}  // namespace vexacab
