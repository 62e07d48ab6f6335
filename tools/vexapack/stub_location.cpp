#include "stub_location.h"

#include "installer/platform/files.h"
#include "installer/platform/process.h"
#include "package_writer.h"

namespace vexapack {

std::vector<std::string> stub_candidates() {
  std::string self = platform::executable_path();
  size_t slash = self.rfind('/');
  if (slash == std::string::npos) return {};
  std::string folder = self.substr(0, slash + 1);
  return {folder + "vexasfx", folder + KV_STUB_FROM_BIN};
}

std::string find_stub() {
  std::string looked;
  for (const std::string& candidate : stub_candidates()) {
    if (platform::is_regular_file(candidate)) return candidate;
    looked += (looked.empty() ? "" : ", ") + candidate;
  }
  throw PackageError("no stub found (looked at " + (looked.empty() ? std::string("nothing") : looked) +
                     "); name one with --stub");
}

}  // namespace vexapack
