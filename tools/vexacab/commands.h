// What vexacab does, one function per command. Each returns the process exit status.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folder_encoder.h"

namespace vexacab {

struct ExtractOptions {
  std::string cabinet;
  std::string directory = ".";
  std::vector<std::string> patterns;  // shell-style; none: every file
  bool ignore_case = false;
  bool pipe = false;     // the chosen files' bytes to standard output, nothing to disk
  bool dry_run = false;  // say what would be written, write nothing
};

struct CreateOptions {
  std::string output;  // OUT.cab; later members of a set are OUT2.cab, OUT3.cab, ...
  std::vector<std::string> paths;
  uint16_t type_compress = 1;  // MSZIP
  cabwriter::Effort effort = cabwriter::Effort::Normal;
  uint32_t max_size = 0;       // bytes per cabinet; 0: one cabinet
  uint64_t folder_size = 0;    // uncompressed bytes per folder; 0: as few folders as possible
  bool reserve = false;
  uint16_t header_reserve = 0;
  uint8_t folder_reserve = 0, data_reserve = 0;
  uint16_t set_id = 0;
};

int list_cabinet(const std::string& cabinet, bool long_format);
int show_info(const std::string& cabinet);
int extract_set(const ExtractOptions& options);
int test_set(const std::string& cabinet);
int create_cabinet(const CreateOptions& options);

// Prints "vexacab: NAME (detail)" to standard error.
void report(const std::string& name, const std::string& detail);

// Splits "dir/name.cab" into "dir/" and "name.cab" (the engine joins them without a separator).
void split_cabinet_path(const std::string& cabinet, std::string* directory, std::string* name);

// Tells why a cabinet cannot be opened at all; false when it can.
bool refuse_unreadable(const std::string& cabinet);

}  // namespace vexacab
