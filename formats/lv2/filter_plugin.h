// SPDX-License-Identifier: MIT
// One instance of the LV2 plug-in: the filter processor behind the ports the host connects.
//
// What each host call does (docs/lv2.md says why):
// - instantiate: a processor with the VST build's defaults at the host's sample rate, which
//   the "Freq" control's hertz follow for the instance's life.
// - connectPort: stores the address only; ports may be reconnected between runs.
// - activate: clears the filter's histories, as the VST build's processing switch does after
//   a suspend; settings and glides stay. It reads no port, since hosts may activate before
//   connecting. deactivate changes nothing.
// - run: with no frames, nothing at all. Otherwise the controls whose value changed since
//   they were last handed over go to the core first, in parameter order, and the bypass
//   switch takes the "enabled" port's value (a change cross-fades from the run's first
//   frame; the first run after activate sets it at once). Then the frames are filtered, the
//   outputs blended with the input as the switch stands and their subnormal samples flushed
//   to zero, and the peak port receives the run's highest filtered sample, or 0 when none
//   was above 0 (as the VST build's meter never shows less than 0). About thirty times a
//   second at most, and only when the picture would differ, it asks the host's inline display
//   for a new picture (DisplayUpdates).
//
// Threads: the host calls run and connectPort on its audio thread and the others on other
// threads, never two at once for one instance, so the fields need no atomics. run allocates
// nothing, takes no lock and makes no system call. The one exception is the inline display's
// render, which may run at the same time as run: it reads only what run publishes without
// locks (the processor's settings snapshot and the meter) and its own picture.
#pragma once

#include <cstdint>

#include "core/display_updates.h"
#include "core/bypass_switch.h"
#include "core/filter_processor.h"
#include "formats/lv2/inline_display_extension.h"
#include "formats/lv2/port_layout.h"
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
#include "formats/lv2/inline_display.h"
#endif

class Lv2FilterPlugin {
public:
    // A new instance, or null for a sample rate that has no positive, finite float value
    // (the hertz of "Freq" need one) or when memory runs out.
    static Lv2FilterPlugin* create(double sampleRate);

    void connectPort(std::uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(std::uint32_t frameCount);

    // The host's inline display feature (copied): run asks it for a new picture when one is due.
    void setQueueDraw(const Lv2InlineDisplayQueueDraw& queueDraw) { queueDraw_ = queueDraw; }

    // Read-only views for tests and the inline display (any thread: the processor's published
    // settings and the meter are read without locks).
    const FilterProcessor& processor() const { return processor_; }
    float sampleRate() const { return sampleRate_; }
    bool bypassed() const { return bypass_.bypassed(); }
    const DisplayUpdates& displayUpdates() const { return displayUpdates_; }
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    // The inline display's picture; only the host's render calls touch it.
    Lv2InlineDisplay& inlineDisplay() { return inlineDisplay_; }
#endif

private:
    explicit Lv2FilterPlugin(float sampleRate) : sampleRate_(sampleRate), displayUpdates_(sampleRate) {
        bypass_.prepare(sampleRate);
    }

    // Hands each control whose value differs from the one last handed over to the core, in
    // parameter order; the first run hands over every control.
    void applyChangedControls();
    // The "enabled" port to the bypass switch: above 0 processing, 0 or below bypassed (as
    // lv2:enabled defines it); NaN or no port changes nothing.
    void applyEnabledPort();
    // Frames [first, first + count) of the connected buffers through the processor.
    void render(std::uint32_t first, std::uint32_t count, float& peak);

    FilterProcessor processor_;
    BypassSwitch bypass_;
    const float sampleRate_;

    const float* controls_[kParameterCount] = {};
    const float* input_ = nullptr;
    float* left_ = nullptr;
    float* right_ = nullptr;
    float* peak_ = nullptr;
    const float* enabled_ = nullptr;

    // The bit patterns of the control values last handed over (so that -0.0 and a NaN
    // payload count as values too), and whether there has been one yet.
    std::uint32_t appliedBits_[kParameterCount] = {};
    bool applied_[kParameterCount] = {};
    // Set by activate: the next run sets the bypass switch at once, without a fade.
    bool settleBypass_ = true;
    bool active_ = false;  // for the debug build's checks of the host's call order

    DisplayUpdates displayUpdates_;
    Lv2InlineDisplayQueueDraw queueDraw_ = {nullptr, nullptr};  // none until the host offers it
#if defined(BRAMSOLIKET_LV2_INLINE_DISPLAY)
    Lv2InlineDisplay inlineDisplay_;
#endif
};
