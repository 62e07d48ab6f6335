// The install dialog's logic and the entry into the destination folder.
#pragma once

#include "installer/cabinet/cab_engine.h"
#include "installer/frontend/installer_app.h"

// 0: destination ready and options stored; 1: stop the installation.
int run_install_dialog(InstallerApp& app);

// Makes the destination the current directory, creating it with its parents when missing;
// false (after the message box) when it cannot be created.
bool enter_destination(InstallerApp& app);

// The next-cabinet prompt: 1 when text3 now names a folder that holds text1, 2 when cancelled.
int run_cabinet_prompt(InstallerApp& app, CabNotification& notification);
