// SHA-256 of a file's content, for the install record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A digest fed piece by piece (the output writer hashes a file's bytes as it writes them).
// One object is used by one thread at a time; it may be handed between threads in order.
class Sha256 {
 public:
  Sha256();  // ready() is false when the digest library cannot be started
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  bool ready() const { return handle_ != nullptr; }
  void update(const void* data, size_t size);
  // The 64 lowercase hexadecimal digits of everything fed so far; "" when not ready().
  std::string hex();

 private:
  void* handle_ = nullptr;
};

// Reads the open handle from its current position to its end. False on a read failure.
bool sha256_of_handle(int handle, uint64_t* size, std::string* hex_digest);

}  // namespace platform
