// The installer stub. Without arguments everything it does is driven by the package appended
// to it; its options (see --help) are for scripts. The stub alone, with an install record
// beside it, is that install's uninstaller. Exit status: 0 done, 1 failed, 2 cancelled (also
// by SIGINT, SIGTERM, SIGHUP, SIGPIPE) or a command line that cannot be understood.
#include <cstdio>

#include "installer/frontend/package_command_line.h"
#include "installer/frontend/package_inspect.h"
#include "installer/frontend/uninstall_run.h"
#include "installer/frontend/window.h"
#include "installer/platform/front_end.h"
#include "installer/platform/output_writer.h"
#include "installer/platform/process.h"

namespace {

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  ParsedCommandLine parsed = parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok) {
    std::fprintf(stderr, "vexasfx: %s\n%s", parsed.error.c_str(), usage_text());
    return EXIT_USAGE;
  }
  const CommandLine& options = parsed.line;
  std::string own_path = platform::executable_path();
  switch (options.mode) {
    case RunMode::Help:
      std::fputs(usage_text(), stdout);
      return 0;
    case RunMode::List:
      return list_package(utf8_to_utf16(own_path), stdout, stderr);
    case RunMode::Check:
      return check_package(utf8_to_utf16(own_path), options.quiet ? nullptr : stdout, stderr);
    default:
      break;
  }
  platform::cancel_outputs_on_signals(int(InstallOutcome::Cancelled));
  std::unique_ptr<platform::InstallerUi> ui = platform::choose_front_end(options.yes, options.quiet);
  if (options.mode == RunMode::Uninstall || is_bare_uninstaller(own_path))
    return uninstall_main(*ui, options.target.value_or(folder_of(own_path)));
  return installer_main(*ui, utf8_to_utf16(own_path), options);
}
