// Adds up the uncompressed sizes of the cabinet's files for the progress bar, and notes the
// cabinet offsets that the seek callback moves by cabinet_offset.
#pragma once

#include <cstdint>

// The file is positioned at cabinet_offset. Fills files_offset and folder_starts; returns the
// sum of the file sizes read (0 when the header cannot be read).
uint64_t prescan_cabinet(int file);
