// SPDX-License-Identifier: MIT
#include "core/bypass_switch.h"

#include <cmath>

void BypassSwitch::prepare(double sampleRate) {
    // Rates the plug-ins accept are positive and finite; anything else fades in one frame.
    constexpr double kLongestFade = 1 << 24;
    const double frames = std::round(sampleRate * kFadeSeconds);
    fadeFrames_ = frames >= 1.0 ? static_cast<std::uint32_t>(std::min(frames, kLongestFade)) : 1;
    settle();
}

std::uint32_t BypassSwitch::blend(bool toDry, const float* dry, float* output, std::uint32_t count) const {
    std::uint32_t position = position_;
    const double fade = fadeFrames_;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (toDry && position < fadeFrames_) ++position;
        if (!toDry && position > 0) --position;
        if (position == 0) continue;  // the filtered signal as written
        if (position == fadeFrames_) {
            output[i] = dry[i];  // the input exactly
            continue;
        }
        const double dryShare = position / fade;
        output[i] = static_cast<float>(static_cast<double>(output[i]) * (1.0 - dryShare) + dry[i] * dryShare);
    }
    return position;
}
