// The installer's answers to the cabinet engine's notifications.
#pragma once

#include <string>

#include "installer/cabinet/cab_engine.h"

int32_t on_cab_notify(CabNotifyKind kind, CabNotification* notification);

// The next cabinet: 0 when text3 followed by text1 names a file (text3 possibly changed by the
// user through the cabinet prompt), -1 when the user gave up.
int32_t locate_next_cabinet(CabNotification* notification);
