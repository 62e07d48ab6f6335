// The files a package carries, listed from disk as one cabinet folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stream_set_writer.h"

namespace vexapack {

struct PackMethod {
  uint16_t type_compress = 0;  // as a folder records it
  cabwriter::Effort effort = cabwriter::Effort::Normal;
};

// "none", "mszip", "lzx:N" (window bits 15 to 21), "lzx:N:max" (the same at the highest
// effort: smaller, several times slower to pack) or "quantum:N" (window bits 10 to 21).
// Throws PackageError.
PackMethod parse_method(const std::string& method);

// One folder with every file at the top level under its own name, stamped with its
// modification time (local time), for the streaming writer to read. Throws PackageError, with
// the system's reason, for a file that cannot be opened or is not a regular file, and for
// files too large together for one cabinet folder.
cabwriter::DiskFolder folder_of_files(const std::vector<std::string>& paths, const PackMethod& method);

// A regular file's bytes; throws PackageError with the system's reason (a FIFO, a folder or a
// device is refused, never waited on).
std::vector<uint8_t> read_whole_file(const std::string& path);
// Throws PackageError when `output` names one of `inputs` (same device and inode).
void refuse_output_among_inputs(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace vexapack
