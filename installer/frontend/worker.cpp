#include "installer/frontend/worker.h"

#include <cstring>

#include "installer/cabinet/cab_engine.h"
#include "installer/frontend/callbacks.h"
#include "installer/frontend/install_options.h"
#include "installer/frontend/install_record.h"
#include "installer/frontend/notify.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/frontend/path_parts.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/output_writer.h"

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
  app.cabinet_trail = {};
  return cab_extract(engine, name.c_str(), path.c_str(), 0, on_cab_notify, nullptr, &app);
}

enum class SetResult { Complete, GivenUp, Failed };

// One call extracts the files that begin in its cabinet (following their folder into later
// cabinets); the files that begin in later cabinets need a call of their own.
SetResult extract_set(CabEngine* engine, InstallerApp& app, std::string name, std::string path) {
  int ok = extract_call(engine, app, name, path);
  while (ok && !app.cabinet_trail.next_name.empty()) {
    char next_name[257] = {};
    char next_path[257] = {};
    std::strncpy(next_name, app.cabinet_trail.next_name.c_str(), 256);
    std::strncpy(next_path, app.cabinet_trail.path.c_str(), 256);
    CabNotification request{};
    request.text1 = next_name;
    request.text3 = next_path;
    request.user_data = &app;
    if (app.cancel_requested.load(std::memory_order_relaxed) || locate_next_cabinet(&request) != 0)
      return SetResult::GivenUp;  // an orderly end, as an abort is
    ok = extract_call(engine, app, next_name, next_path);
  }
  return ok ? SetResult::Complete : SetResult::Failed;
}

// Runs the engine over the package into the writer; the failure message stays empty for a
// damaged package.
InstallOutcome extract_package(InstallerApp& app, platform::OutputWriter& output, std::string& message) {
  InstallOutcome outcome = InstallOutcome::Failed;
  CabErrorRecord error{};
  CabEngine* engine = cab_create(alloc_memory, free_memory, open_file, read_handle, write_handle,
                                 close_handle, seek_file, 1, &error);
  if (!engine) return outcome;
  if (own_file_is_cabinet(engine, app)) {
    std::string name, path;
    split_cabinet_path(app.module_path, name, path);
    SetResult result = extract_set(engine, app, name, path);
    output.settle();  // the last files take their names on the writer's thread: known only now
    record_written_files(app);
    if (output.failure().step != platform::OutputStep::None) {
      message = output_failure_text(output.failure());  // a file, not the package, failed
    } else if (result == SetResult::Complete) {
      outcome = InstallOutcome::Installed;
    } else if (result == SetResult::GivenUp || error.code == CabError::Aborted) {
      outcome = InstallOutcome::Cancelled;
    }
  }
  cab_destroy(engine);
  return outcome;
}

}  // namespace

int extract_worker(InstallerApp& app) {
  std::string message;
  InstallOutcome outcome = InstallOutcome::Failed;
  {
    // The destination is the current folder (the install dialog entered it); held open, so that
    // a folder swapped during the run cannot redirect the files.
    platform::OutputWriter output({.digest = keeps_record(app)}, app.output_syscalls);
    if (output.open_destination(".", false)) {
      app.output = &output;
      outcome = extract_package(app, output, message);
      app.output = nullptr;
    } else {
      platform::OutputFailure failure = output.failure();
      failure.name = app.destination.empty() ? "." : app.destination.utf8();
      message = output_failure_text(failure);
    }
  }
  app.outcome = outcome;
  app.failure_message = message;
  int result = outcome == InstallOutcome::Failed ? -1 : 0;
  if (app.main_window) app.main_window->queue().post({WM_INSTALL_DONE, 0, result});
  return result;
}
