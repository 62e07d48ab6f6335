// Keeping the record of an install as it happens, and leaving it in the destination at the
// end with the uninstaller beside it. Nothing is kept unless keeps_record(app).
#pragma once

#include <string>

#include "installer/frontend/installer_app.h"
#include "installer/platform/output_writer.h"

// Before the folders of an entry are made: every level of `folder` (relative, ending in '/')
// that does not exist yet is one the install creates.
void note_new_folders(InstallerApp& app, const std::u16string& folder);

// A file handed to the writer under its final name (relative to the destination): the slot the
// writer fills with its size and digest once the file has that name; null without a record.
platform::WrittenFile* record_when_written(InstallerApp& app, const std::u16string& name);

// Once the writer has settled: the files that took their names go into the record, in the
// order they were handed over; those that did not are left out.
void record_written_files(InstallerApp& app);

// A launcher written at an absolute path.
void record_launcher(InstallerApp& app, const std::string& path);

// On the window thread once the worker has ended: places the uninstaller, its launcher next
// to a menu launcher, and the record (merged with the one an earlier install left), each
// through the output writer. False, with the cause in app.failure_message, when they cannot.
bool write_install_record(InstallerApp& app);
