// SHA-256 of a file's content, for the install record.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Reads the open handle from its current position to its end. False on a read failure.
bool sha256_of_handle(int handle, uint64_t* size, std::string* hex_digest);

}  // namespace platform
