// SPDX-License-Identifier: MIT
#include "formats/lv2/filter_plugin.h"
#include "formats/lv2/running_settings_extension.h"

namespace {

void read(LV2_Handle instance, FilterSettings* settings, std::uint32_t* publications, float* sampleRate) {
    const auto* plugin = static_cast<const Lv2FilterPlugin*>(instance);
    if (plugin == nullptr) return;
    if (publications != nullptr) *publications = plugin->processor().settingsPublications();
    if (settings != nullptr) *settings = plugin->processor().publishedSettings();
    if (sampleRate != nullptr) *sampleRate = plugin->sampleRate();
}

const Lv2RunningSettings kExtension = {sizeof(Lv2RunningSettings), sizeof(FilterSettings), read};

}  // namespace

const Lv2RunningSettings* runningSettingsExtension() {
    return &kExtension;
}
