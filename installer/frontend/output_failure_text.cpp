#include "installer/frontend/output_failure_text.h"

#include "installer/platform/process.h"

std::string output_failure_text(const platform::OutputFailure& failure) {
  std::string reason = failure.step == platform::OutputStep::FolderIsLink
                           ? "a folder that is a symbolic link is not written through"
                           : platform::error_text(failure.error);
  return printable_name(failure.name.empty() ? "." : failure.name) + ": " + reason;
}
