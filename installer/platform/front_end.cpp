#include "installer/platform/front_end.h"

#include <cstdio>

#include "installer/platform/process.h"
#include "installer/platform/text/text_ui.h"
#include "installer/platform/unattended/unattended_ui.h"
#if VEXASFX_WITH_GTK
#include "installer/platform/gtk/gtk_ui.h"
#endif

namespace platform {

namespace {

// VEXASFX_DEBUG=1 says on standard error which front end was chosen and why, for the user who
// wonders why the windows did not open (or did).
void explain(const char* choice, const std::string& reason) {
  std::optional<std::string> debug = environment("VEXASFX_DEBUG");
  if (debug && !debug->empty() && *debug != "0")
    std::fprintf(stderr, "vexasfx: front end %s: %s\n", choice, reason.c_str());
}

#if VEXASFX_WITH_GTK
std::string why_no_display() {
  std::optional<std::string> x11 = environment("DISPLAY");
  std::optional<std::string> wayland = environment("WAYLAND_DISPLAY");
  if ((!x11 || x11->empty()) && (!wayland || wayland->empty()))
    return "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  return "the display " + (x11 && !x11->empty() ? *x11 : *wayland) + " could not be opened";
}
#endif

std::unique_ptr<InstallerUi> terminal(bool unattended, bool quiet) {
  std::unique_ptr<TextUi> text =
      unattended ? std::make_unique<UnattendedUi>(stdout, stderr) : std::make_unique<TextUi>(stdin, stdout);
  text->set_quiet(quiet);
  return text;
}

}  // namespace

std::unique_ptr<InstallerUi> choose_front_end(bool unattended, bool quiet) {
  if (unattended) {
    explain("unattended", "--yes");
    return terminal(true, quiet);
  }
  std::optional<std::string> forced = environment("VEXASFX_UI");
  if (forced && *forced == "text") {
    explain("text", "VEXASFX_UI=text");
    return terminal(false, quiet);
  }
  std::string ignored;
  if (forced && !forced->empty() && *forced != "gtk") ignored = "; VEXASFX_UI=" + *forced + " is neither text nor gtk";
#if VEXASFX_WITH_GTK
  if (std::unique_ptr<GtkUi> desktop = GtkUi::open()) {
    explain("gtk", (forced && *forced == "gtk" ? std::string("VEXASFX_UI=gtk") : "a display opened") + ignored);
    return desktop;
  }
  if (forced && *forced == "gtk") std::fprintf(stderr, "vexasfx: no display can be opened\n");
  explain("text", why_no_display() + ignored);
#else
  if (forced && *forced == "gtk") std::fprintf(stderr, "vexasfx: this installer has no desktop front end\n");
  explain("text", "this installer was built without its desktop front end" + ignored);
#endif
  return terminal(false, quiet);
}

}  // namespace platform
