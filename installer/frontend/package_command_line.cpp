#include "installer/frontend/package_command_line.h"

namespace {

bool parse_launchers(const std::string& list, uint8_t& bits) {
  bits = 0;
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name == "menu") bits |= LAUNCHER_MENU;
    else if (name == "desktop") bits |= LAUNCHER_DESKTOP;
    else if (name == "sendto") bits |= LAUNCHER_SEND_TO;
    else return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool parse_policy(const std::string& word, OverwritePolicy& policy) {
  if (word == "ask") policy = OverwritePolicy::Ask;
  else if (word == "all") policy = OverwritePolicy::All;
  else if (word == "none") policy = OverwritePolicy::None;
  else return false;
  return true;
}

// "--name=value" or "--name value"; false when the value is missing.
bool take_value(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string& value) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

bool is_option(const std::string& arg, const std::string& name) {
  return arg == name || (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0);
}

ParsedCommandLine refused(std::string why) {
  ParsedCommandLine result;
  result.error = std::move(why);
  return result;
}

bool set_mode(CommandLine& line, RunMode mode) {
  if (line.mode != RunMode::Install && line.mode != mode) return false;
  line.mode = mode;
  return true;
}

// Combinations that cannot mean anything.
std::string contradiction(const CommandLine& line, bool launchers_and_none) {
  if (launchers_and_none) return "--launchers and --no-launchers exclude each other";
  if (line.yes && line.overwrite == OverwritePolicy::Ask)
    return "--overwrite ask needs questions, and --yes asks none";
  bool install_only = line.overwrite || line.launchers;
  if (install_only && line.mode != RunMode::Install)
    return "--overwrite and --launchers belong to an install";
  if ((line.mode == RunMode::List || line.mode == RunMode::Check) && (line.target || line.yes))
    return "--list and --check install nothing: --target and --yes do not apply";
  return {};
}

}  // namespace

ParsedCommandLine parse_command_line(const std::vector<std::string>& args) {
  ParsedCommandLine result;
  CommandLine& line = result.line;
  line.given = !args.empty();
  bool launchers_and_none = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      line.mode = RunMode::Help;  // asking for help is never a mistake, whatever else was typed
      result.ok = true;
      return result;
    }
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "--list" || arg == "--check" || arg == "--uninstall") {
      RunMode mode = arg == "--list" ? RunMode::List : arg == "--check" ? RunMode::Check : RunMode::Uninstall;
      if (!set_mode(line, mode)) return refused("--list, --check and --uninstall exclude each other");
    } else if (arg == "--yes" || arg == "-y") {
      line.yes = true;
    } else if (arg == "--quiet" || arg == "-q") {
      line.quiet = true;
    } else if (is_option(arg, "--target")) {
      if (!take_value(args, i, "--target", value) || value.empty()) return refused("--target needs a folder");
      line.target = value;
    } else if (is_option(arg, "--overwrite")) {
      OverwritePolicy policy;
      if (!take_value(args, i, "--overwrite", value) || !parse_policy(value, policy))
        return refused("--overwrite takes ask, all or none");
      line.overwrite = policy;
    } else if (is_option(arg, "--launchers")) {
      uint8_t bits;
      if (!take_value(args, i, "--launchers", value) || !parse_launchers(value, bits))
        return refused("--launchers takes a list of menu, desktop and sendto, separated by commas");
      launchers_and_none |= line.launchers.has_value() && *line.launchers == 0;
      line.launchers = bits;
    } else if (arg == "--no-launchers") {
      launchers_and_none |= line.launchers.has_value() && *line.launchers != 0;
      line.launchers = 0;
    } else {
      return refused("unknown argument '" + arg + "'");
    }
  }
  std::string why = contradiction(line, launchers_and_none);
  if (!why.empty()) return refused(why);
  result.ok = true;
  return result;
}
