// The worker thread's body: runs the cabinet engine over the package and reports the end.
#pragma once

#include "installer/frontend/installer_app.h"

// Posts WM_INSTALL_DONE with 0 (finished or stopped in order) or -1 (failed) as its last act,
// and returns the same result.
int extract_worker(InstallerApp& app);
