// vexacab extract and vexacab test: the whole set from its first cabinet on, every file or
// the ones chosen by patterns, to disk through the output writer, to standard output or only
// named (dry run).
#include <unistd.h>

#include <cstdio>
#include <set>

#include "commands.h"
#include "entry_filter.h"
#include "installer/frontend/entry_name.h"
#include "installer/frontend/file_output.h"
#include "installer/frontend/output_failure_text.h"
#include "installer/platform/output_writer.h"
#include "posix_callbacks.h"
#include "progress.h"

namespace vexacab {

namespace {

enum class Output { Files, Pipe, DryRun, Discard, Count };

struct Run {
  Output output = Output::Files;
  EntryFilter filter{{}, false};
  Progress* progress = nullptr;
  platform::OutputWriter* writer = nullptr;  // Files and DryRun
  std::string destination;                   // as given, for the dry run's lines
  std::string first_next;  // the next cabinet named by the current call's own cabinet
  bool opened = false;
  std::string failure_name, failure_detail;  // a problem found by the client itself
  unsigned files = 0;
  uint64_t bytes = 0;
  uint32_t last_size = 0;  // of the file being written, for the progress line
};

void note_output_failure(Run* run) {
  run->failure_name = "OutputFailed";
  run->failure_detail = output_failure_text(run->writer->failure());
}

// Says where a file would go; the writer only looks.
void describe(Run* run, const std::string& relative, uint32_t size) {
  std::string path = run->destination + (run->destination.ends_with('/') ? "" : "/") + relative;
  std::printf("%s (%u bytes%s)\n", printable_name(path).c_str(), size,
              run->writer->exists(relative) ? ", replaces what is there" : "");
}

int32_t begin_file(Run* run, CabNotification* n) {
  std::string name = matchable_name(utf16_to_utf8(decode_entry_name(n->text1, n->attributes)));
  if (!run->filter.chosen(name)) return 0;
  ++run->files;
  run->bytes += uint32_t(n->size);
  run->last_size = uint32_t(n->size);
  if (run->output == Output::Count) return 0;
  if (run->output == Output::Discard) return DISCARD_HANDLE;
  if (run->output == Output::Pipe) return STDOUT_FILENO;
  std::string relative = output_name(safe_entry_path(n->text1, n->attributes));
  if (relative.empty()) {
    run->failure_name = "CorruptData";
    run->failure_detail = "an entry has no usable name";
    return -1;
  }
  if (run->output == Output::DryRun) {
    describe(run, relative, uint32_t(n->size));
    return 0;
  }
  int handle = run->writer->begin(relative);
  if (handle < 0) note_output_failure(run);
  return handle;
}

int32_t end_file(Run* run, CabNotification* n) {
  if (run->progress) run->progress->advance(run->last_size);
  if (n->file_handle == DISCARD_HANDLE || n->file_handle == STDOUT_FILENO) return 1;
  // The writer thread stamps and names the file while the next one is decoded; what goes wrong
  // there comes back at a later call, naming this file.
  if (run->writer->commit_later(n->file_handle, output_stamp(n->date, n->time, n->attributes))) return 1;
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
  std::string directory, name;
  split_cabinet_path(cabinet, &directory, &name);
  CabErrorRecord error{};
  CabEngine* engine = create_engine(&error, run->output == Output::Files ? run->writer : nullptr);
  int status = 0;
  std::set<std::string> visited;
  while (!name.empty()) {
    if (!visited.insert(name).second) {
      // A set whose names lead back to an earlier member would be walked forever.
      if (run->output != Output::Count) report("CorruptData", "the set leads back to " + directory + name);
      status = 1;
      break;
    }
    run->opened = false;
    run->first_next.clear();
    if (!cab_extract(engine, name.c_str(), directory.c_str(), 0, on_notify, nullptr, run)) {
      // A write that failed inside the engine's call: the writer knows the file and the cause.
      if (run->failure_name.empty() && run->output == Output::Files &&
          run->writer->failure().step != platform::OutputStep::None)
        note_output_failure(run);
      if (run->output == Output::Count) {
        // A count before the real walk, which reports the failure itself.
      } else if (!run->failure_name.empty()) {
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

// The bytes the chosen files hold, from a walk that answers every FileBegin with "skip" and so
// reads no data block.
uint64_t chosen_bytes(const ExtractOptions& options) {
  Run count;
  count.output = Output::Count;
  count.filter = EntryFilter(options.patterns, options.ignore_case);
  return run_set(options.cabinet, &count) == 0 ? count.bytes : 0;
}

}  // namespace

int extract_set(const ExtractOptions& options) {
  if (refuse_unreadable(options.cabinet)) return 1;
  Run run;
  run.filter = EntryFilter(options.patterns, options.ignore_case);
  run.output = options.pipe ? Output::Pipe : options.dry_run ? Output::DryRun : Output::Files;
  run.destination = options.directory;
  // Existing files are replaced, read-only ones included, as the help says.
  platform::OutputWriter writer({.replace_read_only = true});
  run.writer = &writer;
  // A dry run creates nothing, not even the destination; a missing one just holds nothing yet.
  if (run.output == Output::Files && !writer.open_destination(options.directory, true)) {
    report("OutputFailed", output_failure_text(writer.failure()));
    return 1;
  }
  if (run.output == Output::DryRun) writer.open_destination(options.directory, false);
  std::FILE* terminal = run.output == Output::DryRun ? nullptr : progress_terminal();
  Progress progress("extracting", terminal ? chosen_bytes(options) : 0, terminal);
  run.progress = &progress;
  int status = run_set(options.cabinet, &run);
  // The last files take their names on the writer's thread: their outcome is known only now.
  if (run.output == Output::Files && !writer.settle() && status == 0) {
    note_output_failure(&run);
    report(run.failure_name, run.failure_detail);
    status = 1;
  }
  progress.finish();
  for (const std::string& pattern : run.filter.unmatched()) {
    if (status == 0) report("NoMatch", "no file of " + options.cabinet + " matches '" + pattern + "'");
    status = 1;
  }
  if (status != 0) return status;
  // With -p standard output carries the files' bytes and nothing else.
  if (run.output == Output::Pipe) return 0;
  std::printf("%u files, %llu bytes %s\n", run.files, (unsigned long long)run.bytes,
              run.output == Output::DryRun ? "would be extracted" : "extracted");
  return 0;
}

int test_set(const std::string& cabinet) {
  if (refuse_unreadable(cabinet)) return 1;
  Run run;
  run.output = Output::Discard;
  int status = run_set(cabinet, &run);
  if (status == 0) std::printf("OK: %u files, %llu bytes\n", run.files, (unsigned long long)run.bytes);
  return status;
}

}  // namespace vexacab
