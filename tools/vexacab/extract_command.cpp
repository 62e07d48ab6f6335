// vexacab extract and vexacab test: the whole set from its first cabinet on.
#include <cstdio>

#include "commands.h"
#include "installer/frontend/entry_name.h"
#include "installer/frontend/file_output.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/platform/output_writer.h"
#include "posix_callbacks.h"

namespace vexacab {

namespace {

struct Run {
  bool write_files = true;
  platform::OutputWriter* output = nullptr;
  std::string first_next;   // the next cabinet named by the current call's own cabinet
  bool opened = false;
  std::string failure_name, failure_detail;  // a problem found by the client itself
  unsigned files = 0;
  uint64_t bytes = 0;
};

void note_output_failure(Run* run) {
  run->failure_name = "OutputFailed";
  run->failure_detail = output_failure_text(run->output->failure());
}

int32_t begin_file(Run* run, CabNotification* n) {
  ++run->files;
  run->bytes += uint32_t(n->size);
  if (!run->write_files) return DISCARD_HANDLE;
  std::string relative = output_name(safe_entry_path(n->text1, n->attributes));
  if (relative.empty()) {
    run->failure_name = "CorruptData";
    run->failure_detail = "an entry has no usable name";
    return -1;
  }
  int handle = run->output->begin(relative);
  if (handle < 0) note_output_failure(run);
  return handle;
}

int32_t end_file(Run* run, CabNotification* n) {
  if (n->file_handle == DISCARD_HANDLE) return 1;
  if (run->output->commit(n->file_handle, output_stamp(n->date, n->time, n->attributes))) return 1;
  note_output_failure(run);
  return 0;
}

int32_t on_notify(CabNotifyKind kind, CabNotification* n) {
  auto* run = static_cast<Run*>(n->user_data);
  switch (kind) {
    case CabinetOpened:
      if (!run->opened) run->first_next = bare_cabinet_name(n->text1);
      run->opened = true;
      return 0;
    case FileBegin:
      return begin_file(run, n);
    case FileEnd:
      return end_file(run, n);
    case CabinetNeeded:
      keep_bare_cabinet_name(n->text1);  // looked for only beside the cabinet being read
      if (n->error == CabError::None) return 0;  // look beside the first cabinet, once
      run->failure_name = cab_error_name(n->error);
      run->failure_detail = std::string("next cabinet ") + n->text1 + " not usable in '" +
                            (n->text3[0] ? n->text3 : "./") + "'";
      return -1;
    default:
      return 0;
  }
}

int run_set(const std::string& cabinet, Run* run) {
  if (refuse_unreadable(cabinet)) return 1;
  std::string directory, name;
  split_cabinet_path(cabinet, &directory, &name);
  CabErrorRecord error{};
  CabEngine* engine = create_engine(&error, run->output);
  int status = 0;
  while (!name.empty()) {
    run->opened = false;
    run->first_next.clear();
    if (!cab_extract(engine, name.c_str(), directory.c_str(), 0, on_notify, nullptr, run)) {
      if (!run->failure_name.empty()) {
        report(run->failure_name, run->failure_detail);
      } else {
        report(cab_error_name(error.code), directory + name);
      }
      status = 1;
      break;
    }
    name = run->first_next;
  }
  cab_destroy(engine);
  return status;
}

}  // namespace

int extract_set(const std::string& cabinet, const std::string& destination) {
  // Existing files are replaced, read-only ones included, as the help says.
  platform::OutputWriter output({.replace_read_only = true});
  if (!output.open_destination(destination, true)) {
    report("OutputFailed", output_failure_text(output.failure()));
    return 1;
  }
  Run run;
  run.output = &output;
  int status = run_set(cabinet, &run);
  if (status == 0) std::printf("%u files, %llu bytes extracted\n", run.files, (unsigned long long)run.bytes);
  return status;
}

int test_set(const std::string& cabinet) {
  Run run;
  run.write_files = false;
  int status = run_set(cabinet, &run);
  if (status == 0) std::printf("OK: %u files, %llu bytes\n", run.files, (unsigned long long)run.bytes);
  return status;
}

}  // namespace vexacab
