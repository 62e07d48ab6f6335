// Writes a package to disk: its head, then its cabinet streamed from the input files, never
// the whole package in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "installer/platform/output_writer.h"
#include "stream_set_writer.h"

namespace vexapack {

// The calls that move bytes, swapped by tests to inject faults.
struct PackageIo {
  platform::OutputSyscalls output = platform::system_output_syscalls();
  cabwriter::SpoolWrite spool = nullptr;  // null: write(2)
};

// Writes `head` and the cabinet of `folder` (one cabinet, spooled beside the output) to `path`,
// which takes its name only once complete, and gives it execute permission. Any failure
// leaves `path` as it was and throws PackageError naming the file and the system's reason.
void write_package(const std::string& path, std::span<const uint8_t> head, cabwriter::DiskFolder folder,
                   const PackageIo& io = {});

}  // namespace vexapack
