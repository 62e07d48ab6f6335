#include "installer/frontend/package_offset.h"

#include "installer/frontend/installer_app.h"

namespace {

struct PatchableOffset {
  char marker[12];
  uint32_t offset;  // little-endian in the file
};

// Volatile, so that the value is read from the file image and never folded in.
__attribute__((used)) volatile const PatchableOffset patchable_offset = {
    {'V', 'E', 'X', 'A', 'S', 'F', 'X', '-', 'O', 'F', 'S', '\0'}, PACKAGE_OFFSET};

}  // namespace

uint32_t package_offset() { return patchable_offset.offset; }
