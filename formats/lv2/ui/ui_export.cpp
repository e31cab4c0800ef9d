// SPDX-License-Identifier: MIT
// The UI module's one export, lv2ui_descriptor, and the entries of its one descriptor, with
// the interface the UI offers as extension data: ui:idleInterface, through which the host
// drives it (the size follows the host's window, see Lv2FilterUi). No exception unwinds into
// the host.
#include <lv2/ui/ui.h>

#include <cstring>
#include <new>

#include "formats/lv2/plugin_uri.h"
#include "formats/lv2/port_layout.h"
#include "formats/lv2/ui/filter_ui.h"

namespace {

Lv2FilterUi* uiOf(LV2UI_Handle handle) {
    return static_cast<Lv2FilterUi*>(handle);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (pluginUri == nullptr) return nullptr;
    const bool mono = std::strcmp(pluginUri, kPluginUri) == 0;
    if (!mono && std::strcmp(pluginUri, kStereoPluginUri) != 0) return nullptr;
    try {
        return Lv2FilterUi::create(write, controller, features, widget, mono ? kMonoPortLayout : kStereoPortLayout);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) {
    delete uiOf(handle);
}

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    try {
        uiOf(handle)->portEvent(port, size, format, buffer);
    } catch (const std::bad_alloc&) {
        // The value shows with the next event that finds memory.
    }
}

int idle(LV2UI_Handle handle) {
    try {
        return uiOf(handle)->idle();
    } catch (const std::bad_alloc&) {
        return 0;  // this turn is lost; the next one draws again
    }
}

const LV2UI_Idle_Interface kIdle = {idle};

const void* extensionData(const char* uri) {
    if (uri == nullptr) return nullptr;
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kPluginUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
