// SPDX-License-Identifier: MIT
// The LV2 plug-in's own UI (a ui:X11UI in a module of its own in the bundle): the filter's
// editor inside the host's window, talking to the plug-in through its ports, as LV2 UIs do.
//
// - Every change goes through the host's write function, in the port's own units, between
//   ui:touch grabs (begin) and releases (end) where the host offers ui:touch; the host then
//   records automation and undo. The host's changes to the controls arrive as port events
//   and show at once, and so does the peak meter, which the description asks hosts to send.
// - The curve: where the host gives the UI the plug-in instance (instance-access and
//   data-access), the settings the processor runs, with any glide in progress, read through
//   the module's own extension data (running_settings_extension.h); elsewhere (remote hosts)
//   the settings the controls reach once their glides have ended.
// - Size: ui:scaleFactor from the host's options sets the scale; the UI tells the host its
//   size through the ui:resize feature, and when the host resizes the window it gave, the
//   editor's window takes that window's size (so the deprecated resize interface is not
//   offered).
// - The sample rate, which "Freq"'s hertz need, comes from the host's options
//   (param:sampleRate) or the plug-in instance; without either, 44.1 kHz.
//
// Every function runs on the host's UI thread; the UI creates no thread.
#pragma once

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>

#include "editor/editor.h"
#include "editor/editor_host.h"
#include "formats/lv2/port_layout.h"
#include "formats/lv2/running_settings_extension.h"

class Lv2FilterUi final : public EditorHost {
public:
    static constexpr float kAssumedSampleRate = 44100.0f;

    // A UI in the host's window (the ui:parent feature; without it a window of its own the
    // host embeds), or null when it cannot be made: no X server, no such parent, no memory.
    // `layout` is the ports of the plug-in it serves (mono or stereo): the meter's port where
    // the host does not map symbols.
    static Lv2FilterUi* create(LV2UI_Write_Function write, LV2UI_Controller controller,
                               const LV2_Feature* const* features, LV2UI_Widget* widget,
                               const Lv2PortLayout& layout);

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer);
    // One turn of the UI's loop; non-zero once the window is gone.
    int idle();
    // The host asks for a size in device pixels.

    void beginGesture(ParameterIndex index) override;
    void setValue(ParameterIndex index, float value) override;
    void endGesture(ParameterIndex index) override;
    bool runningSettings(FilterSettings& settings, std::uint32_t& publications) override;

    Editor& editor() { return *editor_; }

private:
    Lv2FilterUi(LV2UI_Write_Function write, LV2UI_Controller controller) : write_(write), controller_(controller) {}
    std::uint32_t controlPort(ParameterIndex index) const;

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_ = nullptr;
    LV2_Handle instance_ = nullptr;
    const Lv2RunningSettings* running_ = nullptr;
    std::uint32_t peakPort_ = 0;
    float sampleRate_ = kAssumedSampleRate;
    std::unique_ptr<Editor> editor_;
};
