// Where the package starts in the stub's own file.
#pragma once

#include <cstdint>

// The marker the packager looks for when the stub has grown past PACKAGE_OFFSET: the offset
// stored right after it is the one to patch.
inline constexpr char PACKAGE_OFFSET_MARKER[12] = "VEXASFX-OFS";

uint32_t package_offset();
