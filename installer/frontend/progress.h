// Moves the progress bar by whole percents as the worker writes.
#pragma once

#include <cstdint>

#include "installer/frontend/installer_app.h"

// Called before every write with the number of bytes about to be written.
void report_progress(InstallerApp& app, uint32_t count);

// The percent for done bytes out of total; total must not be 0.
uint32_t progress_percent(uint64_t done, uint64_t total);
