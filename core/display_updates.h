// SPDX-License-Identifier: MIT
// What a display of the filter needs from the audio thread besides its settings: the meter,
// and when to ask the host for a new picture. The audio thread reports each process call;
// its calls are counted in windows of about a thirtieth of a second, and at the end of a
// window the window's peak becomes the meter, and a new picture is due when something a
// picture shows has changed in it: the settings were published anew (they moved, or a
// control changed them), or the meter moved by a whole decibel. So a display is asked at
// most about thirty times a second, and never while nothing it shows changes.
//
// Threads: one audio thread reports; any thread reads the meter. Nothing here allocates,
// locks or calls the system.
#pragma once

#include <atomic>
#include <cstdint>

class DisplayUpdates {
public:
    static constexpr double kWindowsPerSecond = 30.0;
    // Meter levels a picture cannot tell apart: whole decibels, and nothing below the floor.
    static constexpr double kMeterFloorDb = -90.0;

    explicit DisplayUpdates(float sampleRate);

    // After a process call of `frames` frames whose highest filtered sample was `peak`, with
    // the processor's count of settings publications after it. True when the window ended
    // and a new picture is due.
    bool afterProcess(std::uint32_t frames, float peak, std::uint32_t settingsPublications);

    // The peak of the last window that ended (0 for none, or before the first): any thread.
    float meterPeak() const { return meterPeak_.load(std::memory_order_relaxed); }

private:
    static std::int32_t meterStep(float peak);

    const std::uint32_t windowFrames_;
    std::uint32_t framesInWindow_ = 0;
    float windowPeak_ = 0.0f;
    // What the last picture asked for showed; a new instance's first window asks for one.
    std::uint32_t shownPublications_ = 0;
    std::int32_t shownMeterStep_ = -1;
    std::atomic<float> meterPeak_{0.0f};
};
