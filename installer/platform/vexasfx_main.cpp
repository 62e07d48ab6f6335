// The installer stub. Everything it does is driven by the package appended to it; it takes no
// arguments and always ends with 0.
#include "installer/frontend/window.h"
#include "installer/platform/front_end.h"
#include "installer/platform/process.h"

int main() {
  std::unique_ptr<platform::InstallerUi> ui = platform::choose_front_end();
  installer_main(*ui, utf8_to_utf16(platform::executable_path()));
  return 0;
}
