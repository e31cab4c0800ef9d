// SPDX-License-Identifier: MIT
// A CLAP module whose entry refuses to initialise; a host must then call nothing else of it,
// not even deinit (which here would crash the host to show that it was called).
#include <cstdlib>

#include "clap_module_export.h"

CLAP_TEST_MODULE_EXPORT const clap_plugin_entry clap_entry = {
    kClapVersionFollowed,
    [](const char*) { return false; },
    [] { std::abort(); },
    [](const char*) -> const void* { std::abort(); },
};
