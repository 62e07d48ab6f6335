#include "installer/frontend/worker.h"

#include <cstring>

#include "installer/cabinet/cab_engine.h"
#include "installer/frontend/callbacks.h"
#include "installer/frontend/notify.h"
#include "installer/frontend/path_parts.h"
#include "installer/platform/installer_ui.h"

namespace {

bool own_file_is_cabinet(CabEngine* engine, const InstallerApp& app) {
  int handle = open_file(app.module_path.utf8().c_str(), OPEN_OWN_FILE_FLAGS, 0);
  if (handle == -1) return false;
  CabinetSummary summary;
  int is_cabinet = cab_is_cabinet(engine, handle, &summary);
  close_handle(handle);
  return is_cabinet == 1;
}

// The engine joins path and name again to open the cabinet.
void split_cabinet_path(const WideString& module_path, std::string& name, std::string& path) {
  PathParts parts = split_path_parts(module_path.str());
  if (parts.drive.empty() && parts.folder.empty()) {
    name = module_path.utf8();
    path.clear();
  } else {
    name = utf16_to_utf8(parts.name + parts.extension);
    path = utf16_to_utf8(parts.drive + parts.folder);
  }
}

int extract_call(CabEngine* engine, InstallerApp& app, const std::string& name, const std::string& path) {
  cabinet_trail = {};
  return cab_extract(engine, name.c_str(), path.c_str(), 0, on_cab_notify, nullptr, &app);
}

// One call extracts the files that begin in its cabinet (following their folder into later
// cabinets); the files that begin in later cabinets need a call of their own.
int extract_set(CabEngine* engine, InstallerApp& app, std::string name, std::string path) {
  int ok = extract_call(engine, app, name, path);
  while (ok && !cabinet_trail.next_name.empty()) {
    char next_name[257] = {};
    char next_path[257] = {};
    std::strncpy(next_name, cabinet_trail.next_name.c_str(), 256);
    std::strncpy(next_path, cabinet_trail.path.c_str(), 256);
    CabNotification request{};
    request.text1 = next_name;
    request.text3 = next_path;
    request.user_data = &app;
    if (app.cancel_requested.load(std::memory_order_relaxed) || locate_next_cabinet(&request) != 0)
      return 1;  // given up: an orderly end, as an abort is
    ok = extract_call(engine, app, next_name, next_path);
  }
  return ok;
}

}  // namespace

int extract_worker(InstallerApp& app) {
  int result = -1;
  CabErrorRecord error{};
  CabEngine* engine = cab_create(alloc_memory, free_memory, open_file, read_handle, write_handle,
                                 close_handle, seek_file, 1, &error);
  if (engine) {
    if (own_file_is_cabinet(engine, app)) {
      std::string name, path;
      split_cabinet_path(app.module_path, name, path);
      int ok = extract_set(engine, app, name, path);
      if (ok != 0 || error.code == CabError::Aborted) result = 0;
    }
    cab_destroy(engine);
  }
  if (app.main_window) app.main_window->queue().post({WM_INSTALL_DONE, 0, result});
  return result;
}
