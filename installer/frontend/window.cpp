#include "installer/frontend/window.h"

#include "installer/frontend/install_dialog.h"
#include "installer/frontend/install_options.h"
#include "installer/frontend/install_record.h"
#include "installer/frontend/shortcuts.h"
#include "installer/frontend/start.h"
#include "installer/platform/installer_ui.h"
#include "installer/platform/worker_thread.h"
#include "installer/resources/strings.h"

static_assert(WM_CLOSE == platform::POSTED_CLOSE && WM_COMMAND == platform::POSTED_COMMAND &&
              ID_ABORT_BUTTON == platform::ABORT_BUTTON_ID);

namespace {

// Under --overwrite none (and --yes) the files kept are named, so that a log shows them.
void report_kept_files(InstallerApp& app) {
  if (app.kept_existing.empty() || !app.options.given || app.options.overwrite_policy() != OverwritePolicy::None)
    return;
  std::string text = std::to_string(app.kept_existing.size()) + " existing file(s) kept (--overwrite all replaces them):";
  for (const std::u16string& name : app.kept_existing) text += "\n  " + utf16_to_utf8(name);
  app.main_window->message_box(text, platform::MB_ICON_INFORMATION);
}

// The record is kept whatever the outcome, so that what was written can be removed; only its
// own failure after a good install changes the outcome.
void keep_install_record(InstallerApp& app, bool failed_already) {
  if (!keeps_record(app) || write_install_record(app) || failed_already) return;
  app.outcome = InstallOutcome::Failed;
  app.main_window->message_box(app.failure_message, platform::MB_ICON_STOP);
}

void finish_installation(InstallerApp& app, intptr_t result) {
  if (result != 0) {
    std::string text = app.failure_message;
    keep_install_record(app, true);
    app.main_window->message_box(text.empty() ? TEXT_DAMAGED_PACKAGE : text, platform::MB_ICON_STOP);
  } else {
    // Also after the abort button: the files written so far are the user's to use.
    create_shortcuts(app);
    keep_install_record(app, false);  // after the launchers: it lists them
    report_kept_files(app);
    // --yes opens nothing: the program would open a window nobody asked for.
    if (!app.settings.run_after.empty() && !app.options.yes) launch_program(app);
  }
  destroy_main_window(app);
}

int ask_overwrite(InstallerApp& app, const char16_t* message) {
  return app.main_window->overwrite_question(TEXT_OVERWRITE_CAPTION, utf16_to_utf8(message));
}

}  // namespace

void destroy_main_window(InstallerApp& app) {
  app.main_window->destroy_window();
  app.main_window->queue().post_quit(0);
}

intptr_t installer_window_procedure(InstallerApp& app, const platform::WindowMessage& m) {
  switch (m.id) {
    case WM_CLOSE:
      destroy_main_window(app);
      break;
    case WM_COMMAND:
      if (m.wparam == ID_ABORT_BUTTON) app.cancel_requested.store(1, std::memory_order_relaxed);
      break;
    case WM_INSTALL_START:
      if (!start_installation(app)) destroy_main_window(app);
      break;
    case WM_INSTALL_STATUS:
      app.main_window->set_status(utf16_to_utf8(reinterpret_cast<const char16_t*>(m.lparam)));
      break;
    case WM_INSTALL_PROGRESS:
      app.main_window->set_transfer(uint64_t(m.lparam), app.total_bytes);
      app.main_window->set_progress(uint32_t(m.wparam));
      break;
    case WM_INSTALL_DONE:
      finish_installation(app, m.lparam);
      break;
    case WM_INSTALL_OVERWRITE:
      return ask_overwrite(app, reinterpret_cast<const char16_t*>(m.lparam));
    case WM_INSTALL_CABINET:
      return run_cabinet_prompt(app, *reinterpret_cast<CabNotification*>(m.lparam));
    default:
      break;
  }
  return 0;
}

int installer_main(platform::InstallerUi& ui, const std::u16string& module_path,
                   const platform::OutputSyscalls& syscalls) {
  return installer_main(ui, module_path, CommandLine{}, syscalls);
}

int installer_main(platform::InstallerUi& ui, const std::u16string& module_path, const CommandLine& options,
                   const platform::OutputSyscalls& syscalls) {
  InstallerApp app;
  app.options = options;
  app.output_syscalls = syscalls;
  platform::WorkerThread worker;
  ServedApp served(app);
  app.module_path = module_path;
  app.worker = &worker;
  if (!ui.create_window(utf16_to_utf8(DEFAULT_TITLE))) return int(InstallOutcome::Failed);
  app.main_window = &ui;
  ui.queue().post({WM_INSTALL_START, 0, 0});
  ui.queue().run([&app](const platform::WindowMessage& m) { return installer_window_procedure(app, m); });
  // The worker's sends wait for the loop, so it is joined only now that the loop has ended.
  worker.join();
  return int(app.outcome);
}
