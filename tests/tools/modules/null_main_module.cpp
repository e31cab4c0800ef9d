// SPDX-License-Identifier: MIT
// A module whose `main` creates nothing, as one does when it cannot create its effect.
#include "module_entry.h"

AEffect* testModuleMain(HostCallback) { return nullptr; }
