#include "package_output.h"

#include <filesystem>
#include <stdexcept>

#include "installer/platform/process.h"
#include "package_writer.h"

namespace fs = std::filesystem;

namespace vexapack {

void write_package(const std::string& path, std::span<const uint8_t> head, cabwriter::DiskFolder folder,
                   const PackageIo& io) {
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  // Through the output writer: an earlier package stays whole until the new one is complete.
  platform::OutputWriter writer({.replace_read_only = true}, io.output);
  auto failed = [&] {
    return PackageError("cannot write " + path + ": " + platform::error_text(writer.failure().error));
  };
  if (!writer.open_destination(directory, false)) throw failed();

  cabwriter::StreamOptions stream;
  stream.spool_folder = directory;
  stream.spool_write = io.spool;
  std::unique_ptr<cabwriter::StreamedSet> cabinet;
  try {
    cabinet = std::make_unique<cabwriter::StreamedSet>(std::vector<cabwriter::DiskFolder>{std::move(folder)},
                                                       cabwriter::SetOptions{}, stream);
  } catch (const std::invalid_argument& e) {
    throw PackageError(std::string("this build cannot compress that way: ") + e.what());
  }
  int handle = writer.begin(name);
  if (handle < 0) throw failed();
  if (!writer.write(handle, head.data(), head.size())) throw failed();
  cabinet->write(0, [&](std::span<const uint8_t> bytes) {
    if (!writer.write(handle, bytes.data(), bytes.size())) throw failed();
  });
  if (!writer.commit(handle, {})) throw failed();

  std::error_code error;
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, error);
  if (error) throw PackageError("cannot make " + path + " executable: " + error.message());
}

}  // namespace vexapack
