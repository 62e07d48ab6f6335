#include "command_line.h"

#include <cctype>

#include "package_writer.h"
#include "source_files.h"

namespace vexacab {

namespace {

bool parse_number(const std::string& text, uint64_t max, uint64_t* value) {
  if (text.empty() || text.size() > 12) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (!std::isdigit((unsigned char)c)) return false;
    v = v * 10 + uint64_t(c - '0');
  }
  if (v > max) return false;
  *value = v;
  return true;
}

// "H,F,D": header, folder and data reserve sizes.
bool parse_reserve(const std::string& text, CreateOptions* o) {
  size_t first = text.find(','), second = text.find(',', first == std::string::npos ? 0 : first + 1);
  if (first == std::string::npos || second == std::string::npos) return false;
  uint64_t header, folder, data;
  if (!parse_number(text.substr(0, first), 60000, &header) ||
      !parse_number(text.substr(first + 1, second - first - 1), 255, &folder) ||
      !parse_number(text.substr(second + 1), 255, &data))
    return false;
  o->reserve = true;
  o->header_reserve = uint16_t(header);
  o->folder_reserve = uint8_t(folder);
  o->data_reserve = uint8_t(data);
  return true;
}

// Applies one option of `create` that takes a value; an error text, or "" when applied.
std::string apply_create_option(const std::string& name, const std::string& value, CreateOptions* o) {
  uint64_t number = 0;
  if (name == "-o" || name == "--output") {
    o->output = value;
  } else if (name == "-m" || name == "--method") {
    try {
      vexapack::PackMethod method = vexapack::parse_method(value);
      o->type_compress = method.type_compress;
      o->effort = method.effort;
    } catch (const vexapack::PackageError& e) {
      return e.what();
    }
  } else if (name == "--max-size") {
    // The smallest cabinet that can hold a whole data block with its records.
    if (!parse_bytes(value, UINT32_MAX, &number) || number < 1024)
      return "--max-size wants a byte count from 1024 to 4294967295 (K, M, G allowed)";
    o->max_size = uint32_t(number);
  } else if (name == "--folder-size") {
    if (!parse_bytes(value, UINT64_MAX / 2, &number) || number == 0)
      return "--folder-size wants a byte count (K, M, G allowed)";
    o->folder_size = number;
  } else if (name == "--reserve") {
    if (!parse_reserve(value, o)) return "--reserve wants H,F,D: header 0 to 60000, folder and data 0 to 255 bytes";
  } else if (name == "--set-id") {
    if (!parse_number(value, 65535, &number)) return "--set-id wants a number from 0 to 65535";
    o->set_id = uint16_t(number);
  } else {
    return "create has no option " + name;
  }
  return "";
}

}  // namespace

bool parse_bytes(const std::string& text, uint64_t max, uint64_t* value) {
  if (text.empty()) return false;
  uint64_t unit = 1;
  std::string digits = text;
  switch (std::toupper((unsigned char)text.back())) {
    case 'K': unit = 1ull << 10; break;
    case 'M': unit = 1ull << 20; break;
    case 'G': unit = 1ull << 30; break;
    default: break;
  }
  if (unit != 1) digits.pop_back();
  uint64_t v;
  if (!parse_number(digits, UINT64_MAX / (1ull << 30), &v) || v > max / unit) return false;
  *value = v * unit;
  return true;
}

std::string parse_create(const std::vector<std::string>& args, CreateOptions* o) {
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      if (i + 1 >= args.size()) return arg + " needs a value";
      std::string error = apply_create_option(arg, args[++i], o);
      if (!error.empty()) return error;
    } else {
      o->paths.push_back(arg);
    }
  }
  if (o->output.empty()) return "create needs -o OUT.cab";
  if (o->paths.empty()) return "create needs files or folders to pack";
  std::string directory, name;
  split_cabinet_path(o->output, &directory, &name);
  if (name.empty() || name.size() > 250) return "the cabinet's file name must be 1 to 250 bytes";
  return "";
}

std::string parse_extract(const std::vector<std::string>& args, ExtractOptions* o) {
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && (arg == "-d" || arg == "--directory")) {
      if (i + 1 >= args.size()) return arg + " needs a folder";
      o->directory = args[++i];
    } else if (!options_end && (arg == "-i" || arg == "--ignore-case")) {
      o->ignore_case = true;
    } else if (!options_end && (arg == "-p" || arg == "--pipe")) {
      o->pipe = true;
    } else if (!options_end && (arg == "-n" || arg == "--dry-run")) {
      o->dry_run = true;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      return "extract has no option " + arg;
    } else if (o->cabinet.empty()) {
      o->cabinet = arg;
    } else {
      o->patterns.push_back(arg);
    }
  }
  if (o->cabinet.empty()) return "extract needs a cabinet";
  if (o->pipe && o->dry_run) return "-p and -n do not go together";
  if (o->directory.empty()) return "-d needs a folder";
  return "";
}

}  // namespace vexacab
