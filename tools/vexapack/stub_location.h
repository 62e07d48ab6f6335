// Where vexapack finds the installer stub when --stub is not given.
#pragma once

#include <string>
#include <vector>

namespace vexapack {

// The places looked at, in order: beside vexapack itself (the build tree), then the installed
// place relative to vexapack's folder (bin/../lib/vexasfx/vexasfx). Empty when vexapack
// cannot name its own file.
std::vector<std::string> stub_candidates();

// The first candidate that is a regular file. Throws PackageError naming every place looked
// at when none is.
std::string find_stub();

}  // namespace vexapack
