#include "installer/platform/front_end.h"

#include <cstdio>

#include "installer/platform/gtk/gtk_ui.h"
#include "installer/platform/process.h"
#include "installer/platform/text/text_ui.h"
#include "installer/platform/unattended/unattended_ui.h"

namespace platform {

namespace {

std::unique_ptr<InstallerUi> terminal(bool unattended, bool quiet) {
  std::unique_ptr<TextUi> text =
      unattended ? std::make_unique<UnattendedUi>(stdout, stderr) : std::make_unique<TextUi>(stdin, stdout);
  text->set_quiet(quiet);
  return text;
}

}  // namespace

std::unique_ptr<InstallerUi> choose_front_end(bool unattended, bool quiet) {
  if (unattended) return terminal(true, quiet);
  std::optional<std::string> forced = environment("VEXASFX_UI");
  if (forced && *forced == "text") return terminal(false, quiet);
  if (std::unique_ptr<GtkUi> desktop = GtkUi::open()) return desktop;
  if (forced && *forced == "gtk") std::fprintf(stderr, "vexasfx: no display can be opened\n");
  return terminal(false, quiet);
}

}  // namespace platform
