// SPDX-License-Identifier: MIT
#include "core/display_updates.h"

#include <algorithm>
#include <cmath>

#include "core/saturating_conversion.h"

DisplayUpdates::DisplayUpdates(float sampleRate)
    : windowFrames_(static_cast<std::uint32_t>(
          std::clamp(truncateToInt32(static_cast<double>(sampleRate) / kWindowsPerSecond), 1, 1 << 24))) {}

std::int32_t DisplayUpdates::meterStep(float peak) {
    // Not above zero (silence, or only negative samples, as the plug-ins' meters show it) and
    // NaN are the floor.
    if (!(peak > 0.0f)) return 0;
    const double db = 20.0 * std::log10(static_cast<double>(peak));
    if (!(db > kMeterFloorDb)) return 0;
    return 1 + truncateToInt32(std::floor(db - kMeterFloorDb));
}

bool DisplayUpdates::afterProcess(std::uint32_t frames, float peak, std::uint32_t settingsPublications) {
    if (frames == 0) return false;
    windowPeak_ = peak > windowPeak_ ? peak : windowPeak_;
    framesInWindow_ = frames < windowFrames_ - framesInWindow_ ? framesInWindow_ + frames : windowFrames_;
    if (framesInWindow_ < windowFrames_) return false;

    meterPeak_.store(windowPeak_, std::memory_order_relaxed);
    const std::int32_t step = meterStep(windowPeak_);
    framesInWindow_ = 0;
    windowPeak_ = 0.0f;
    if (step == shownMeterStep_ && settingsPublications == shownPublications_) return false;
    shownMeterStep_ = step;
    shownPublications_ = settingsPublications;
    return true;
}
