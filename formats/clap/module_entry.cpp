// SPDX-License-Identifier: MIT
// The module's one export, `clap_entry`, and the plug-in factory behind it. The module keeps
// no state of its own beyond what each plug-in holds, so initialising and de-initialising
// it do nothing and may happen any number of times. Everything else in the module has
// hidden visibility.
#include <cstring>
#include <iterator>

#include "formats/clap/filter_plugin.h"
#include "formats/clap/plugin_descriptor.h"

namespace {

bool BRAMSOLIKET_CLAP_ABI entryInit(const char*) {
    return true;
}

void BRAMSOLIKET_CLAP_ABI entryDeinit() {}

// The mono plug-in first, as it was the module's only one before the stereo one came.
const clap_plugin_descriptor* const kDescriptors[] = {&kFilterPluginDescriptor, &kStereoFilterPluginDescriptor};

std::uint32_t BRAMSOLIKET_CLAP_ABI pluginCount(const clap_plugin_factory*) {
    return static_cast<std::uint32_t>(std::size(kDescriptors));
}

const clap_plugin_descriptor* BRAMSOLIKET_CLAP_ABI pluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index < std::size(kDescriptors) ? kDescriptors[index] : nullptr;
}

const clap_plugin* BRAMSOLIKET_CLAP_ABI createPlugin(const clap_plugin_factory*, const clap_host* host,
                                                     const char* pluginId) {
    return createFilterPlugin(host, pluginId);
}

const clap_plugin_factory kFactory = {pluginCount, pluginDescriptor, createPlugin};

const void* BRAMSOLIKET_CLAP_ABI entryFactory(const char* factoryId) {
    if (factoryId == nullptr || std::strcmp(factoryId, kClapPluginFactoryId) != 0) return nullptr;
    return &kFactory;
}

}  // namespace

// On Windows the module-definition file names the export; elsewhere the visibility does.
#if defined(_WIN32)
#define BRAMSOLIKET_CLAP_EXPORT __attribute__((used))
#else
#define BRAMSOLIKET_CLAP_EXPORT __attribute__((visibility("default"), used))
#endif

extern "C" BRAMSOLIKET_CLAP_EXPORT const clap_plugin_entry clap_entry = {kClapVersionFollowed, entryInit, entryDeinit,
                                                                         entryFactory};
