// The installer stub. Everything it does is driven by the package appended to it; it takes no
// arguments. Exit status: 0 installed, 1 failed, 2 cancelled (also by SIGINT, SIGTERM, SIGHUP).
#include "installer/frontend/window.h"
#include "installer/platform/front_end.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/process.h"

int main() {
  platform::cancel_outputs_on_signals(int(InstallOutcome::Cancelled));
  std::unique_ptr<platform::InstallerUi> ui = platform::choose_front_end();
  return installer_main(*ui, utf8_to_utf16(platform::executable_path()));
}
