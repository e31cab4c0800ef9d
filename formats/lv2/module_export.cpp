// SPDX-License-Identifier: MIT
// The module's one export, lv2_descriptor, and its two descriptors: the mono plug-in (index
// 0) and the stereo one (index 1), which share every entry but instantiate. Every
// entry runs in the filter's own floating-point mode and gives the host its mode back on
// return (hosts such as Ardour run their audio threads with flush-to-zero set, which would
// change the filter's bits), and no exception unwinds into the host.
#include <lv2/core/lv2.h>

#include <cstring>
#include <iterator>

#include "core/float_environment.h"
#include "formats/lv2/filter_plugin.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/running_settings_extension.h"
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
#include "formats/lv2/inline_display.h"
#endif

namespace {

Lv2FilterPlugin* pluginOf(LV2_Handle instance) {
    return static_cast<Lv2FilterPlugin*>(instance);
}

#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
// The data of the feature `uri` among the host's features, or null.
const void* featureData(const LV2_Feature* const* features, const char* uri) {
    if (features == nullptr) return nullptr;
    for (; *features != nullptr; ++features) {
        if ((*features)->URI != nullptr && std::strcmp((*features)->URI, uri) == 0) return (*features)->data;
    }
    return nullptr;
}
#endif

template <const Lv2PortLayout& Layout>
LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const* features) {
    FloatEnvironmentGuard environment;
    Lv2FilterPlugin* plugin = Lv2FilterPlugin::create(sampleRate, Layout);
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    const auto* queueDraw =
        static_cast<const Lv2InlineDisplayQueueDraw*>(featureData(features, kInlineDisplayQueueDrawUri));
    if (plugin != nullptr && queueDraw != nullptr) plugin->setQueueDraw(*queueDraw);
#else
    (void)features;  // without a picture to draw there is nothing to ask the host for
#endif
    return plugin;
}

void connectPort(LV2_Handle instance, std::uint32_t port, void* data) {
    FloatEnvironmentGuard environment;
    pluginOf(instance)->connectPort(port, data);
}

void activate(LV2_Handle instance) {
    FloatEnvironmentGuard environment;
    pluginOf(instance)->activate();
}

void run(LV2_Handle instance, std::uint32_t frameCount) {
    FloatEnvironmentGuard environment;
    pluginOf(instance)->run(frameCount);
}

void deactivate(LV2_Handle instance) {
    FloatEnvironmentGuard environment;
    pluginOf(instance)->deactivate();
}

void cleanup(LV2_Handle instance) {
    FloatEnvironmentGuard environment;
    delete pluginOf(instance);
}

const void* extensionData(const char* uri) {
    if (uri == nullptr) return nullptr;
    // The editor's view of the running settings, for a UI the host gives the instance.
    if (std::strcmp(uri, kRunningSettingsUri) == 0) return runningSettingsExtension();
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    if (std::strcmp(uri, kInlineDisplayInterfaceUri) == 0) return inlineDisplayInterface();
#endif
    return nullptr;
}

const LV2_Descriptor kDescriptors[] = {
    {kPluginUri, instantiate<kMonoPortLayout>, connectPort, activate, run, deactivate, cleanup, extensionData},
    {kStereoPluginUri, instantiate<kStereoPortLayout>, connectPort, activate, run, deactivate, cleanup, extensionData},
};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index < std::size(kDescriptors) ? &kDescriptors[index] : nullptr;
}
