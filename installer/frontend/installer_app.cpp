#include "installer/frontend/installer_app.h"

InstallerApp* g_app = nullptr;

void OwnFileHandles::remember(int handle) {
  for (int& slot : slots_) {
    if (slot == -1) {
      slot = handle;
      return;
    }
  }
}

void OwnFileHandles::forget(int handle) {
  for (int& slot : slots_)
    if (slot == handle) slot = -1;
}

bool OwnFileHandles::contains(int handle) const {
  for (int slot : slots_)
    if (slot == handle) return true;
  return false;
}
