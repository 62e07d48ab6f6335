// Encoded blocks kept on disk until the cabinets are written, so that memory does not grow
// with the input: a file without a name (O_TMPFILE, else a name removed at once), gone when
// the spool closes or the process ends, whatever ends it.
#pragma once

#include <sys/types.h>

#include <string>

#include "set_planner.h"

namespace cabwriter {

// The call that moves the spool's bytes, as write(2); tests swap it to inject faults.
using SpoolWrite = ssize_t (*)(int fd, const void* data, size_t size);

class SpoolFile final : public BlockStore {
 public:
  // Creates the spool in `folder`. Throws std::runtime_error naming the folder and the
  // system's reason.
  explicit SpoolFile(const std::string& folder, SpoolWrite write = nullptr);
  ~SpoolFile() override;
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Each throws std::runtime_error with the system's reason (a full disk says so).
  uint64_t size() const override { return size_; }
  void append(std::span<const uint8_t> bytes) override;
  void truncate(uint64_t size) override;
  void read(uint64_t at, std::span<uint8_t> out) const override;

 private:
  [[noreturn]] void fail(const char* what, int error) const;

  std::string folder_;
  SpoolWrite write_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace cabwriter
