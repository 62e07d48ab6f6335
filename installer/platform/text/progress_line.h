// The one updating line a terminal shows while files are written: a bar, the percent, bytes
// done of the total, the speed, the time left and the current file's name.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct TransferView {
  uint32_t percent = 0;    // held at 100 by the caller
  uint64_t done = 0;       // bytes written so far
  uint64_t total = 0;      // 0 when unknown
  double seconds = 0;      // since the first byte
  std::string name;        // the current file, UTF-8, shown escaped
};

// At most `columns` columns wide (wide characters count two); the name gives way first, from
// its start, so that its end stays readable.
std::string format_progress_line(const TransferView& view, size_t columns);

// "273.1 KiB": bytes in the largest binary unit that keeps the number below 1024.
std::string format_bytes(uint64_t bytes);

// Columns a UTF-8 text takes on a terminal.
size_t display_columns(const std::string& utf8);

}  // namespace platform
