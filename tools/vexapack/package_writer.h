// Builds installer packages: the stub, the settings block at the package offset, the cabinet.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexapack {

struct PackageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Option flags of a shortcut: none 0x00, offered 0x01, checked 0x03, always 0x02.
struct PackageSettings {
  bool has_settings = true;
  std::string title;  // UTF-8 here; stored as UTF-16LE, at most 255 units each
  uint8_t destination_base = 0;
  std::string default_folder;
  std::string program;
  uint8_t start_menu = 0;
  uint8_t desktop = 0;
  uint8_t send_to = 0;
  std::string run_after;
  std::string shortcut_name;
};

std::vector<uint8_t> settings_block(const PackageSettings& settings);

// What comes before the cabinet: the stub made exactly as long as its package offset, then the
// settings block. A stub longer than the offset is patched to a larger offset (a multiple of
// 512) when it carries the patchable constant. Throws PackageError.
std::vector<uint8_t> package_head(std::vector<uint8_t> stub, const PackageSettings& settings);

// package_head() followed by the cabinet. Throws PackageError.
std::vector<uint8_t> assemble_package(std::vector<uint8_t> stub, const PackageSettings& settings,
                                      const std::vector<uint8_t>& cabinet);

// Where the package of an assembled file starts, as its stub will read it.
uint32_t package_offset_of(const std::vector<uint8_t>& package);

}  // namespace vexapack
