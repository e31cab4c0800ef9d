// SPDX-License-Identifier: MIT
// A CLAP module whose plug-in factory holds no plug-ins.
#include <cstring>

#include "clap_module_export.h"

namespace {

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> std::uint32_t { return 0; },
    [](const clap_plugin_factory*, std::uint32_t) -> const clap_plugin_descriptor* { return nullptr; },
    [](const clap_plugin_factory*, const clap_host*, const char*) -> const clap_plugin* { return nullptr; },
};

}  // namespace

CLAP_TEST_MODULE_EXPORT const clap_plugin_entry clap_entry = {
    kClapVersionFollowed,
    [](const char*) { return true; },
    [] {},
    [](const char* id) -> const void* {
        return id != nullptr && std::strcmp(id, kClapPluginFactoryId) == 0 ? &kFactory : nullptr;
    },
};
