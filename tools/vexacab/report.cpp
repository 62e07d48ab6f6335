#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "installer/frontend/output_failure_text.h"
#include "posix_callbacks.h"

namespace vexacab {

void report(const std::string& name, const std::string& detail) {
  // Names in the detail come from cabinets: their control characters never reach the terminal.
  std::fprintf(stderr, "vexacab: %s (%s)\n", name.c_str(), printable_name(detail).c_str());
}

void split_cabinet_path(const std::string& cabinet, std::string* directory, std::string* name) {
  size_t slash = cabinet.rfind('/');
  if (slash == std::string::npos) {
    *directory = "";
    *name = cabinet;
  } else {
    *directory = cabinet.substr(0, slash + 1);
    *name = cabinet.substr(slash + 1);
  }
}

bool refuse_unreadable(const std::string& cabinet) {
  int fd = ::open(cabinet.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    report("OpenFailed", cabinet + ": " + std::strerror(errno));
    return true;
  }
  CabErrorRecord error{};
  CabEngine* engine = create_engine(&error);
  int is_cabinet = cab_is_cabinet(engine, fd, nullptr);
  ::close(fd);
  cab_destroy(engine);
  if (is_cabinet) return false;
  if (error.code == CabError::BadVersion) {
    char version[16];
    std::snprintf(version, sizeof version, "0x%04X", unsigned(error.detail) & 0xFFFF);
    report("BadVersion", cabinet + ": cabinet format version " + version + ", expected 0x0103");
  } else {
    report("BadSignature", cabinet + " is not a cabinet");
  }
  return true;
}

}  // namespace vexacab
