#include "package_writer.h"

#include <algorithm>
#include <cstring>

#include "installer/frontend/installer_app.h"
#include "installer/frontend/package_offset.h"
#include "installer/frontend/wide_string.h"

namespace vexapack {

namespace {

constexpr uint32_t OFFSET_ALIGNMENT = 512;

void put_text(std::vector<uint8_t>& out, const std::string& text, const char* what) {
  std::u16string units = utf8_to_utf16(text);
  if (units.size() > 255)
    throw PackageError(std::string(what) + " is longer than 255 UTF-16 units (" +
                       std::to_string(units.size()) + ")");
  out.push_back(uint8_t(units.size()));
  for (char16_t unit : units) {
    out.push_back(uint8_t(unit & 0xFF));
    out.push_back(uint8_t(unit >> 8));
  }
}

// Position of the value behind the first offset marker, or npos; `unique` also wants no
// second marker.
size_t find_offset_constant(const std::vector<uint8_t>& bytes, bool unique) {
  const uint8_t* marker = reinterpret_cast<const uint8_t*>(PACKAGE_OFFSET_MARKER);
  size_t length = sizeof PACKAGE_OFFSET_MARKER;
  auto first = std::search(bytes.begin(), bytes.end(), marker, marker + length);
  if (first == bytes.end()) return std::string::npos;
  size_t value = size_t(first - bytes.begin()) + length;
  if (value + 4 > bytes.size()) return std::string::npos;
  if (unique && std::search(first + 1, bytes.end(), marker, marker + length) != bytes.end())
    return std::string::npos;
  return value;
}

uint32_t read_u32(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

void write_u32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> settings_block(const PackageSettings& s) {
  std::vector<uint8_t> out;
  if (!s.has_settings) {
    out.push_back(0);
    return out;
  }
  out.push_back(1);
  put_text(out, s.title, "the title");
  out.push_back(s.destination_base);
  put_text(out, s.default_folder, "the default folder");
  put_text(out, s.program, "the program");
  out.push_back(s.start_menu);
  out.push_back(s.desktop);
  out.push_back(s.send_to);
  put_text(out, s.run_after, "the run-after program");
  put_text(out, s.shortcut_name, "the shortcut name");
  return out;
}

std::vector<uint8_t> package_head(std::vector<uint8_t> stub, const PackageSettings& settings) {
  std::vector<uint8_t> block = settings_block(settings);
  uint32_t offset = PACKAGE_OFFSET;
  if (stub.size() > PACKAGE_OFFSET) {
    size_t constant = find_offset_constant(stub, true);
    if (constant == std::string::npos || read_u32(stub, constant) != PACKAGE_OFFSET)
      throw PackageError("the stub is " + std::to_string(stub.size()) + " bytes, longer than " +
                         std::to_string(PACKAGE_OFFSET) + ", and has no patchable package offset");
    offset = uint32_t((stub.size() + OFFSET_ALIGNMENT - 1) / OFFSET_ALIGNMENT * OFFSET_ALIGNMENT);
    write_u32(stub, constant, offset);
  }
  stub.resize(offset, 0);
  stub.insert(stub.end(), block.begin(), block.end());
  return stub;
}

std::vector<uint8_t> assemble_package(std::vector<uint8_t> stub, const PackageSettings& settings,
                                      const std::vector<uint8_t>& cabinet) {
  std::vector<uint8_t> package = package_head(std::move(stub), settings);
  package.insert(package.end(), cabinet.begin(), cabinet.end());
  return package;
}

uint32_t package_offset_of(const std::vector<uint8_t>& package) {
  size_t constant = find_offset_constant(package, false);  // the stub's comes first
  if (constant == std::string::npos) return PACKAGE_OFFSET;
  return read_u32(package, constant);
}

}  // namespace vexapack
