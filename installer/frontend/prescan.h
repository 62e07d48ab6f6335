// Adds up the uncompressed sizes of the cabinet's files for the progress bar, and notes the
// cabinet offsets that the seek callback moves by cabinet_offset.
#pragma once

#include <cstdint>

#include "installer/frontend/installer_app.h"

// The file is positioned at placement.cabinet_offset. Fills placement.files_offset and
// placement.folder_starts; returns the sum of the file sizes read (0 when the header cannot be
// read).
uint64_t prescan_cabinet(int file, CabinetPlacement& placement);
