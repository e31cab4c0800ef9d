// SPDX-License-Identifier: MIT
// The module's own extension data for its editor, which hosts that give their UIs the plug-in
// instance (the instance-access and data-access features: jalv, Ardour, Qtractor) let the UI
// reach: the settings the processor published after its last run, with the glide in progress,
// so that the editor's curve moves with the sound. The UI is shipped in the same bundle and
// built from the same sources; the sizes in the table tell a UI of another build that the
// layout is not its own, and it then goes without.
//
// read may be called on any thread while run runs: it copies the processor's snapshot without
// a lock, and run never waits for it.
#pragma once

#include <lv2/core/lv2.h>

#include <cstdint>

#include "core/filter_settings.h"

inline constexpr char kRunningSettingsUri[] = "urn:bramsoliket:filter#running-settings";

extern "C" {

struct Lv2RunningSettings {
    std::uint32_t size;          // sizeof(Lv2RunningSettings) where the module was built
    std::uint32_t settingsSize;  // sizeof(FilterSettings) there
    // The settings last published, the count of publications so far, and the instance's
    // sample rate.
    void (*read)(LV2_Handle instance, FilterSettings* settings, std::uint32_t* publications, float* sampleRate);
};

}  // extern "C"

// The extension data the module returns for kRunningSettingsUri.
const Lv2RunningSettings* runningSettingsExtension();
