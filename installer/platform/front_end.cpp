#include "installer/platform/front_end.h"

#include <cstdio>

#include "installer/platform/text/text_ui.h"

namespace platform {

std::unique_ptr<InstallerUi> choose_front_end() {
  // The desktop front end takes its place here, before the terminal, when it can open a display.
  return std::make_unique<TextUi>(stdin, stdout);
}

}  // namespace platform
