#include "installer/frontend/notify.h"

#include "installer/frontend/callbacks.h"
#include "installer/frontend/entry_name.h"
#include "installer/frontend/file_output.h"
#include "installer/frontend/install_options.h"
#include "installer/frontend/install_record.h"
#include "installer/frontend/installer_app.h"
#include "installer/frontend/path_parts.h"
#include "installer/platform/files.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/output_writer.h"

namespace {

void show_status(InstallerApp& app, const std::u16string& name) {
  if (app.main_window)
    app.main_window->queue().send({WM_INSTALL_STATUS, 0, reinterpret_cast<intptr_t>(name.c_str())});
}

int32_t begin_file(InstallerApp& app, const CabNotification& n) {
  std::u16string name = safe_entry_path(n.text1, n.attributes);
  show_status(app, name);
  int answer = confirm_overwrite(app, name);
  if (answer == 0) app.kept_existing.push_back(name);
  if (answer != 1) return answer;
  note_new_folders(app, split_path_parts(name).folder);
  // A file that cannot be created (a name that sanitizing emptied included) ends the run; the
  // writer keeps the reason for the worker's one message.
  return app.output->begin(output_name(name));
}

int32_t end_file(InstallerApp& app, const CabNotification& n) {
  platform::OutputStamp stamp = output_stamp(n.date, n.time, n.attributes);
  // Nothing waits for the file: the writer thread stamps and names it while the next one is
  // decoded, and what goes wrong there comes back at a later call, naming it. The record learns
  // its digest once the writer has settled.
  platform::WrittenFile* written = record_when_written(app, safe_entry_path(n.text1, n.attributes));
  return app.output->commit_later(n.file_handle, stamp, written) ? 1 : 0;
}

void note_cabinet_opened(CabinetTrail& trail, const CabNotification& n) {
  if (!trail.seen) {
    trail.seen = true;
    trail.next_name = bare_cabinet_name(n.text1);
  }
  trail.path = n.text3 ? n.text3 : "";
}

}  // namespace

int32_t locate_next_cabinet(CabNotification* n) {
  keep_bare_cabinet_name(n->text1);  // looked for beside the cabinet, or where the user says
  std::string candidate = utf16_to_utf8(utf8_to_utf16(n->text3) + utf8_to_utf16(n->text1));
  if (platform::is_regular_file(candidate)) return 0;
  InstallerApp* app = static_cast<InstallerApp*>(n->user_data);
  if (!app || !app->main_window) return -1;
  auto answer = app->main_window->queue().send({WM_INSTALL_CABINET, 0, reinterpret_cast<intptr_t>(n)});
  return answer && *answer == 1 ? 0 : -1;
}

int32_t on_cab_notify(CabNotifyKind kind, CabNotification* n) {
  InstallerApp& app = *static_cast<InstallerApp*>(n->user_data);
  if (app.cancel_requested.load(std::memory_order_relaxed)) {
    // The engine has let go of a finished file's handle: keep the file whole, then stop.
    if (kind == FileEnd) end_file(app, *n);
    return -1;
  }
  switch (kind) {
    case FileBegin: return begin_file(app, *n);
    case FileEnd: return end_file(app, *n);
    case CabinetNeeded: return locate_next_cabinet(n);
    case CabinetOpened: note_cabinet_opened(app.cabinet_trail, *n); return 0;
    default: return 0;
  }
}
