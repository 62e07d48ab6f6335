#include "installer/frontend/progress.h"

#include "installer/platform/installer_ui.h"
#include "installer/platform/output_writer.h"

uint32_t progress_percent(uint64_t done, uint64_t total) {
  // Large totals are divided first so that done never has to be multiplied.
  if (total > 1000) return uint32_t(done / (total / 100));
  return uint32_t(done * 100 / total);
}

void report_progress(InstallerApp& app, uint32_t count) {
  if (app.total_bytes == 0) return;
  app.done_bytes += count;
  uint32_t percent = progress_percent(app.done_bytes, app.total_bytes);
  if (percent == app.last_percent) return;
  app.last_percent = percent;
  if (!app.main_window) return;
  platform::MessageQueue& queue = app.main_window->queue();
  const platform::WindowMessage position{WM_INSTALL_PROGRESS, percent, intptr_t(app.done_bytes)};
  // The send waits for the window thread: with the output writer it is made in order with the
  // bytes, on whichever of the two threads has the time (usually the writer's, just before
  // the bytes, while the worker decodes on).
  if (app.output)
    app.output->run_in_order([&queue, position] { queue.send(position); });
  else
    queue.send(position);
}
