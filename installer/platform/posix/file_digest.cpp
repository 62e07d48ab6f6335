#include "installer/platform/file_digest.h"

#include <gcrypt.h>

#include <vector>

#include "installer/platform/files.h"

namespace platform {

namespace {

// libgcrypt wants the program to initialise it once; it hashes with the processor's SHA
// instructions where there are some, five times faster than a portable SHA-256 (the install
// record hashes every file the installer writes). It is on every system the stub runs on:
// the desktop libraries already load it.
bool digest_library_ready() {
  static const bool ready = [] {
    if (!gcry_check_version(nullptr)) return false;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);  // digests hold nothing secret
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  return ready;
}

std::string hex_of(const unsigned char* bytes, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string hex(size * 2, '0');
  for (size_t i = 0; i < size; ++i) {
    hex[2 * i] = digits[bytes[i] >> 4];
    hex[2 * i + 1] = digits[bytes[i] & 15];
  }
  return hex;
}

}  // namespace

Sha256::Sha256() {
  gcry_md_hd_t digest = nullptr;
  if (digest_library_ready() && gcry_md_open(&digest, GCRY_MD_SHA256, 0) == 0) handle_ = digest;
}

Sha256::~Sha256() {
  if (handle_) gcry_md_close(static_cast<gcry_md_hd_t>(handle_));
}

void Sha256::update(const void* data, size_t size) {
  if (handle_) gcry_md_write(static_cast<gcry_md_hd_t>(handle_), data, size);
}

std::string Sha256::hex() {
  if (!handle_) return {};
  return hex_of(gcry_md_read(static_cast<gcry_md_hd_t>(handle_), GCRY_MD_SHA256), 32);
}

bool sha256_of_handle(int handle, uint64_t* size, std::string* hex_digest) {
  Sha256 digest;
  if (!digest.ready()) return false;
  std::vector<uint8_t> buffer(1 << 16);
  uint64_t total = 0;
  int64_t n;
  while ((n = read_file(handle, buffer.data(), uint32_t(buffer.size()))) > 0) {
    digest.update(buffer.data(), size_t(n));
    total += uint64_t(n);
  }
  if (n != 0) return false;
  *size = total;
  *hex_digest = digest.hex();
  return true;
}

}  // namespace platform
