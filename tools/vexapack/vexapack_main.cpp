// vexapack: builds an installer package from the stub and the files to install.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "installer/platform/output_writer.h"
#include "package_output.h"
#include "package_writer.h"
#include "source_files.h"
#include "stub_location.h"

namespace {

const char USAGE[] =
    "usage: vexapack [--stub STUB] -o OUT [--title T] [--default-folder F]\n"
    "                [--destination-base current|program-files] [--program P]\n"
    "                [--start-menu none|offered|checked|always] [--desktop ...] [--send-to ...]\n"
    "                [--run-after R] [--shortcut-name N] [--no-settings]\n"
    "                [--method none|mszip|lzx:N|lzx:N:max|quantum:N] FILES...\n"
    "Without --stub the installer stub is taken from beside vexapack or from its installed\n"
    "place, ../lib/vexasfx/vexasfx from vexapack's folder.\n";

struct Options {
  std::string stub, output, method = "mszip";
  vexapack::PackageSettings settings;
  std::vector<std::string> files;
};

uint8_t option_flags(const std::string& value) {
  if (value == "none") return 0x00;
  if (value == "offered") return 0x01;
  if (value == "checked") return 0x03;
  if (value == "always") return 0x02;
  throw vexapack::PackageError("unknown shortcut option '" + value + "' (none, offered, checked, always)");
}

uint8_t destination_base(const std::string& value) {
  if (value == "current") return 0;
  if (value == "program-files") return 1;
  throw vexapack::PackageError("unknown destination base '" + value + "' (current, program-files)");
}

// Applies one option that takes a value; false when `name` is not such an option.
bool apply_valued(Options& o, const std::string& name, const std::string& value) {
  vexapack::PackageSettings& s = o.settings;
  if (name == "--stub") o.stub = value;
  else if (name == "-o") o.output = value;
  else if (name == "--title") s.title = value;
  else if (name == "--default-folder") s.default_folder = value;
  else if (name == "--destination-base") s.destination_base = destination_base(value);
  else if (name == "--program") s.program = value;
  else if (name == "--start-menu") s.start_menu = option_flags(value);
  else if (name == "--desktop") s.desktop = option_flags(value);
  else if (name == "--send-to") s.send_to = option_flags(value);
  else if (name == "--run-after") s.run_after = value;
  else if (name == "--shortcut-name") s.shortcut_name = value;
  else if (name == "--method") o.method = value;
  else return false;
  return true;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--no-settings") {
      o.settings.has_settings = false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      if (i + 1 >= argc) throw vexapack::PackageError(arg + " needs a value");
      if (!apply_valued(o, arg, argv[i + 1])) throw vexapack::PackageError("unknown option " + arg);
      ++i;
    } else {
      o.files.push_back(arg);
    }
  }
  if (o.output.empty()) throw vexapack::PackageError("-o is required");
  if (o.files.empty()) throw vexapack::PackageError("no files to pack");
  if (o.stub.empty()) o.stub = vexapack::find_stub();
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
    std::fputs(USAGE, stdout);
    return 0;
  }
  // Ctrl+C, a logout or kill leave no half-written package behind.
  platform::cancel_outputs_on_signals(1);
  try {
    Options o = parse(argc, argv);
    std::vector<std::string> inputs = o.files;
    inputs.push_back(o.stub);
    vexapack::refuse_output_among_inputs(o.output, inputs);
    cabwriter::DiskFolder folder = vexapack::folder_of_files(o.files, vexapack::parse_method(o.method));
    std::vector<uint8_t> head = vexapack::package_head(vexapack::read_whole_file(o.stub), o.settings);
    vexapack::write_package(o.output, head, std::move(folder));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vexapack: %s\n%s", e.what(), USAGE);
    return 1;
  }
  return 0;
}
