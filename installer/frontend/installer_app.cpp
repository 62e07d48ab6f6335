#include "installer/frontend/installer_app.h"

InstallerApp* g_app = nullptr;
uint32_t cabinet_offset = 0;
uint32_t files_offset = 0;
std::vector<uint32_t> folder_starts;

void reset_process_state() {
  g_app = nullptr;
  cabinet_offset = 0;
  files_offset = 0;
  folder_starts.clear();
}
