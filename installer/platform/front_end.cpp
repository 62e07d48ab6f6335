#include "installer/platform/front_end.h"

#include <cstdio>

#include "installer/platform/gtk/gtk_ui.h"
#include "installer/platform/process.h"
#include "installer/platform/text/text_ui.h"

namespace platform {

std::unique_ptr<InstallerUi> choose_front_end() {
  std::optional<std::string> forced = environment("VEXASFX_UI");
  if (forced && *forced == "text") return std::make_unique<TextUi>(stdin, stdout);
  if (std::unique_ptr<GtkUi> desktop = GtkUi::open()) return desktop;
  if (forced && *forced == "gtk") std::fprintf(stderr, "vexasfx: no display can be opened\n");
  return std::make_unique<TextUi>(stdin, stdout);
}

}  // namespace platform
