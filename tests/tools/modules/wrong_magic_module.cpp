// SPDX-License-Identifier: MIT
// A module whose `main` returns a record that does not start with the expected magic.
#include "module_entry.h"

namespace {
AEffect record{};
}

AEffect* testModuleMain(HostCallback) {
    record.magic = fourCharacters("NotV");
    return &record;
}
