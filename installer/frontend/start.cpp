#include "installer/frontend/start.h"

#include "installer/frontend/install_dialog.h"
#include "installer/frontend/install_options.h"
#include "installer/frontend/package_header.h"
#include "installer/frontend/package_offset.h"
#include "installer/frontend/prescan.h"
#include "installer/frontend/worker.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/process.h"
#include "installer/platform/worker_thread.h"
#include "installer/resources/strings.h"

// Seeks to the package, reads its settings block and sizes the cabinet behind it for the
// progress bar. The file is closed by the caller whatever happens.
bool read_package(InstallerApp& app, int file) {
  if (platform::seek_position(file, package_offset(), 0) < 0) return false;
  if (!read_package_header(file, app)) return false;
  int64_t position = platform::seek_position(file, 0, 1);
  if (position < 0 || position > UINT32_MAX) return false;
  app.placement = {};
  app.placement.cabinet_offset = uint32_t(position);
  app.total_bytes = prescan_cabinet(file, app.placement);
  return true;
}

void show_system_error(InstallerApp& app, int code, uint32_t style) {
  if (app.main_window) app.main_window->message_box(platform::error_text(code), style);
}

bool start_installation(InstallerApp& app) {
  int file = platform::open_path(app.module_path.utf8(), platform::FileAccess::Read,
                                 platform::FileDisposition::OpenExisting);
  app.outcome = InstallOutcome::Failed;  // until the worker says otherwise
  if (file < 0) {
    show_system_error(app, platform::last_error(), platform::MB_ICON_EXCLAMATION);
    return false;
  }
  bool read = read_package(app, file);
  platform::close_file(file);
  if (!read) {
    // Settings cut short, or a package offset past the end of the file.
    app.main_window->message_box(TEXT_DAMAGED_PACKAGE, platform::MB_ICON_STOP);
    return false;
  }
  apply_install_options(app);
  if (app.settings.valid && run_install_dialog(app) != 0) return false;
  // A package without settings asks nothing: --target is its destination as it stands.
  if (!app.settings.valid && !app.destination.empty() && !enter_destination(app)) return false;
  app.main_window->set_caption(app.settings.title.utf8());
  app.main_window->show_window();
  app.main_window->set_transfer(0, app.total_bytes);  // a terminal shows the total from the start
  if (app.worker) app.worker->start([&app] { extract_worker(app); });
  return true;
}
