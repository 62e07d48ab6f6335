#include "installer/frontend/package_inspect.h"

#include "installer/cabinet/cab_engine.h"
#include "installer/frontend/callbacks.h"
#include "installer/frontend/dos_time.h"
#include "installer/frontend/entry_name.h"
#include "installer/frontend/installer_app.h"
#include "installer/frontend/start.h"
#include "installer/platform/files.h"
#include "installer/platform/process.h"
#include "common/text/printable_name.h"

namespace {

constexpr char DISCARD_PATH[] = "/dev/null";

struct Inspection {
  bool decode = false;  // --check: every file is decoded into nothing
  std::FILE* out = nullptr;
  unsigned files = 0;
  uint64_t bytes = 0;
  std::string missing_cabinet;
};

void print_entry(const Inspection& run, const CabNotification& n) {
  if (!run.out) return;
  DosDateTime t = split_dos_date_time(n.date, n.time);
  std::string name = printable_name(utf16_to_utf8(safe_entry_path(n.text1, n.attributes)));
  std::fprintf(run.out, "%10u  %04d-%02d-%02d %02d:%02d:%02d  %s\n", uint32_t(n.size), t.year, t.month, t.day,
               t.hour, t.minute, t.second, name.c_str());
}

int32_t on_inspect(CabNotifyKind kind, CabNotification* n) {
  Inspection& run = *static_cast<Inspection*>(n->user_data);
  switch (kind) {
    case FileBegin:
      ++run.files;
      run.bytes += uint32_t(n->size);
      if (!run.decode) {
        print_entry(run, *n);
        return 0;
      }
      return open_file(DISCARD_PATH, OPEN_OUTPUT_FLAGS, OPEN_OUTPUT_MODE);
    case FileEnd:
      close_handle(n->file_handle);
      return 1;
    case CabinetNeeded: {
      // Nobody is asked: the next cabinet is where the set says, or the check fails.
      std::string candidate = std::string(n->text3) + n->text1;
      if (platform::is_regular_file(candidate)) return 0;
      run.missing_cabinet = n->text1;
      return -1;
    }
    default:
      return 0;
  }
}

// Reads the package and runs the engine over its cabinet; the failure's words, or empty.
std::string inspect(const std::u16string& module_path, Inspection& run) {
  InstallerApp app;
  app.module_path = module_path;
  ServedApp served(app);
  std::string path = app.module_path.utf8();
  int file = platform::open_path(path, platform::FileAccess::Read, platform::FileDisposition::OpenExisting);
  if (file < 0) return platform::error_text(platform::last_error());
  bool read = read_package(app, file);
  platform::close_file(file);
  if (!read) return "no package, or its settings are cut short";
  CabErrorRecord error{};
  CabEngine* engine = cab_create(alloc_memory, free_memory, open_file, read_handle, write_handle, close_handle,
                                 seek_file, 1, &error);
  if (!engine) return "out of memory";
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  int ok = cab_extract(engine, name.c_str(), folder.c_str(), 0, on_inspect, nullptr, &run);
  cab_destroy(engine);
  if (ok) return {};
  if (!run.missing_cabinet.empty())
    return "the set continues in " + printable_name(run.missing_cabinet) + ", which is not beside it";
  return std::string("the cabinet is damaged (") + cab_error_name(error.code) + ")";
}

int report_damage(const std::u16string& module_path, const std::string& why, std::FILE* errors) {
  std::fprintf(errors, "vexasfx: %s: %s\n", printable_name(utf16_to_utf8(module_path)).c_str(),
               why.c_str());
  return 1;
}

}  // namespace

int list_package(const std::u16string& module_path, std::FILE* out, std::FILE* errors) {
  Inspection run;
  run.out = out;
  std::fprintf(out, "%10s  %-19s  %s\n", "size", "date       time", "name");
  std::string why = inspect(module_path, run);
  if (!why.empty()) return report_damage(module_path, why, errors);
  std::fprintf(out, "%u files, %llu bytes\n", run.files, (unsigned long long)run.bytes);
  return 0;
}

int check_package(const std::u16string& module_path, std::FILE* out, std::FILE* errors) {
  Inspection run;
  run.decode = true;
  std::string why = inspect(module_path, run);
  if (!why.empty()) return report_damage(module_path, why, errors);
  if (out) std::fprintf(out, "sound: %u files, %llu bytes, every checksum verified\n", run.files,
                        (unsigned long long)run.bytes);
  return 0;
}
