// What the user reads when an output cannot be made: the name concerned and the system's reason,
// the same words in the installer and in vexacab.
#pragma once

#include <string>

#include "common/text/printable_name.h"
#include "installer/platform/output_writer.h"

// "NAME: REASON", the name with control characters escaped.
std::string output_failure_text(const platform::OutputFailure& failure);
