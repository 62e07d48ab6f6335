#include "installer/platform/file_digest.h"

#include <glib.h>

#include <vector>

#include "installer/platform/files.h"

namespace platform {

bool sha256_of_handle(int handle, uint64_t* size, std::string* hex_digest) {
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
  std::vector<uint8_t> buffer(1 << 16);
  uint64_t total = 0;
  int64_t n;
  while ((n = read_file(handle, buffer.data(), uint32_t(buffer.size()))) > 0) {
    g_checksum_update(checksum, buffer.data(), gssize(n));
    total += uint64_t(n);
  }
  if (n == 0) {
    *size = total;
    *hex_digest = g_checksum_get_string(checksum);
  }
  g_checksum_free(checksum);
  return n == 0;
}

}  // namespace platform
