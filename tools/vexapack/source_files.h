// The files a package carries, listed from disk as one cabinet folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stream_set_writer.h"

namespace vexapack {

// "none", "mszip", "lzx:N" (window bits 15 to 21), "quantum:N" (window bits 10 to 21) as a
// folder's typeCompress. Throws PackageError.
uint16_t parse_method(const std::string& method);

// One folder with every file at the top level under its own name, stamped with its
// modification time (local time), for the streaming writer to read. Throws PackageError, with
// the system's reason, for a file that cannot be opened or is not a regular file, and for
// files too large together for one cabinet folder.
cabwriter::DiskFolder folder_of_files(const std::vector<std::string>& paths, uint16_t type_compress);

// A regular file's bytes; throws PackageError with the system's reason (a FIFO, a folder or a
// device is refused, never waited on).
std::vector<uint8_t> read_whole_file(const std::string& path);
// Throws PackageError when `output` names one of `inputs` (same device and inode).
void refuse_output_among_inputs(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace vexapack
