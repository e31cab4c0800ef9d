// SPDX-License-Identifier: MIT
// A loadable shared object named like a CLAP module that exports no clap_entry.
#include "clap_module_export.h"

CLAP_TEST_MODULE_EXPORT int notTheClapEntry() { return 1; }
